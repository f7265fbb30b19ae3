#!/usr/bin/python3
"""Fits the ranking library's model (see refit, which runs this with Debian's python3).

  fit_model.py pick MOS_CSV:IMAGE_DIR... --native LIST --wide LIST [--crops LIST PHOTO...]
      the photos whose graded damage teaches the model: two disjoint sets of scored photos, and
      crops of other large photos at their own resolution
  fit_model.py fit --scored CSV... --damage CSV... --out MODEL_CPP [--quick]
      5-fold cross-validated choice and judgement, then the final fit, written as C++ data

Every choice is made on folds: for each of the five outer folds, the settings are chosen by a
3-fold search inside the other four, fitted on those four and judged once on the fifth; the
figures printed are those judgements. The final model is chosen the same way on all photos.
"""
import argparse
import sys

import numpy as np
from joblib import Parallel, delayed
from sklearn.ensemble import HistGradientBoostingRegressor
from sklearn.svm import SVR

import export
from fitdata import DEFECTS, FOLDS, KINDS, Damage, Scored, Series, agreement, folds_of, read_table

# Photos whose graded damage is learned from: good ones (a damaged photo must be worse than
# what it came from), half at their own size and half enlarged to a 1024-pixel width, so the
# damage is also seen through the program's reduction.
DAMAGE_PHOTOS_EACH = 100
GOOD_PHOTO = 0.6
# The scored photos are JPEGs of quality 75 or so: coding them again at the first two JPEG levels
# (qualities 90 and 70) at their own size changes next to nothing, so those are not damage.
NOT_DAMAGE = {"jpeg": (1, 2)}
# Large photos show the program's reduction of real fine detail, which enlarged scored photos
# lack: four crops of 1024 x 768 at the file's own resolution, and the whole photo and two
# 2048 x 1536 crops reduced to 1024 pixels wide.
CROP = (1024, 768)
CROP_PLACES = (0.15, 0.85)
LARGE_CROP = (2048, 1536)
# A damaged photo's target: its photo's opinion score less `drop` at the worst level, a sixth of
# it per level; it counts `DAMAGE_WEIGHT` of a scored photo, so the opinion scores lead.
DAMAGE_WEIGHT = 0.3
# Terms are held to the range between these percentiles of the fitting rows.
HELD_RANGE = (0.5, 99.5)
# The settings searched. The kernel's reach is two standard deviations per term.
SETTINGS = [dict(C=c, drop=d) for c in (1.0, 3.0) for d in (0.3, 0.5)]
SVR_EPSILON = 0.05
SVR_SHARES = (0.4, 0.5, 0.6, 0.7)
TREES = dict(max_iter=600, learning_rate=0.03, max_leaf_nodes=15, min_samples_leaf=20,
             l2_regularization=1.0, early_stopping=False, random_state=0)
# Defect charges: a weight per unit beyond a threshold (a percentile of the scored photos'
# defect; the 0th, their least, charges nearly all of it). The smallest weight keeps every defect
# costing something beyond the fitted range.
DEFECT_WEIGHTS = (0.01, 0.03, 0.1, 0.3, 1.0, 3.0)
DEFECT_PERCENTILES = (0, 50, 90, 99)
# Selection: opinion-score SROCC, less the shortfall of each damage kind's order below this.
ORDER_TARGET = 0.95
# Reduced to the working bitmap, a JPEG coding no longer shows in its blocks, and the regressors
# see little of it: only the coding defect, read at the source's own resolution, tells it. Its
# charge is at least what orders the JPEG damage of every table of reduced photos (all but the
# first, the scored photos at their own size) this well; the scored photos' opinion scores cannot
# set it, as nearly all of them were coded at about the same quality.
CODING = DEFECTS.index("d_coding")
CODING_ORDER = 0.99
NATIVE_TABLE = 0
INNER_FOLDS = 3
JOBS = 2


class Fitted:
    """One fitted regressor pair and the transform of its inputs."""

    def __init__(self, terms, targets, weights, natural, setting):
        self.low = np.percentile(terms, HELD_RANGE[0], axis=0)
        self.high = np.percentile(terms, HELD_RANGE[1], axis=0)
        held = np.clip(natural, self.low, self.high)
        self.mean = held.mean(axis=0)
        self.scale = np.where(held.std(axis=0) > 0, held.std(axis=0), 1.0)
        x = self.prepare(terms)
        self.gamma = 0.5 / terms.shape[1]
        self.svr = SVR(C=setting["C"], gamma=self.gamma, epsilon=SVR_EPSILON)
        self.svr.fit(x, targets, sample_weight=weights)
        self.trees = HistGradientBoostingRegressor(**TREES).fit(x, targets, sample_weight=weights)

    def prepare(self, terms):
        return (np.clip(terms, self.low, self.high) - self.mean) / self.scale

    def predict(self, terms):
        x = self.prepare(terms)
        return self.svr.predict(x), self.trees.predict(x)


def anchor_of(scored, damage):
    """The score given to the original of a photo that has none: the median of the scored photos
    chosen for damage (good ones, as the other photos are)."""
    return float(np.median(scored.y[np.isin(scored.names, damage.photos)]))


def damage_targets(scored, damage, rows, drop):
    score_of = dict(zip(scored.names, scored.y))
    anchor = anchor_of(scored, damage)
    base = np.array([score_of.get(p, anchor) for p in damage.photos[rows]])
    return base - drop * damage.levels[rows] / 6


def training_rows(scored, damage, photos, drop):
    """Terms, targets and weights of the photos named and their damage: every damaged or
    re-saved version, and the originals of photos that have no score of their own."""
    chosen = np.isin(scored.names, photos)
    hurt = np.isin(damage.photos, photos) & ~((damage.kinds == "original") & np.isin(damage.photos, scored.names))
    targets = damage_targets(scored, damage, hurt, drop)
    terms = np.vstack([scored.terms[chosen], damage.terms[hurt]])
    y = np.concatenate([scored.y[chosen], targets])
    w = np.concatenate([np.ones(chosen.sum()), np.full(hurt.sum(), DAMAGE_WEIGHT)])
    return terms, y, w, scored.terms[chosen]


def fit(scored, damage, photos, setting):
    terms, y, w, natural = training_rows(scored, damage, photos, setting["drop"])
    return Fitted(terms, y, w, natural, setting)


def charges(defects, weights, thresholds):
    return np.maximum(0.0, defects - thresholds) @ weights


def criterion(score_rows, y, series, damage_score):
    """SROCC, less each damage kind's shortfall below the target order (the mean over the damage
    tables of each one's: a kind must be ordered at the photos' own size, enlarged, and through
    the reduction of large photos alike), less the mean gap between a photo and its JPEG re-save
    (the same picture must score the same)."""
    srocc = agreement(score_rows, y)["srocc"]
    orders = series.orders(damage_score)
    by_table = series.order_by_table(damage_score, orders)
    shortfall = sum(np.mean([min(0.0, o - ORDER_TARGET) for o in by_table[k].values()]) for k in KINDS)
    gap = series.resave_gap(damage_score)
    return srocc + shortfall - gap, srocc, series.order(damage_score, orders)


def coding_floor(weights, percentiles, series, damage_base, damage_defects, natural):
    """The least coding charge (weight, percentile) that orders JPEG coding at CODING_ORDER in
    every table of photos the program reduces; the smallest weight when none does."""
    for weight in DEFECT_WEIGHTS:
        for percentile in DEFECT_PERCENTILES:
            w, p = weights.copy(), list(percentiles)
            w[CODING], p[CODING] = weight, percentile
            t = np.array([np.percentile(natural[:, k], p[k]) for k in range(len(DEFECTS))])
            jpeg = series.order_by_table(damage_base - charges(damage_defects, w, t))["jpeg"]
            if all(o >= CODING_ORDER for table, o in jpeg.items() if table != NATIVE_TABLE):
                return weight, percentile
    return DEFECT_WEIGHTS[0], DEFECT_PERCENTILES[-1]


def choose_charges(pred, y, defects, series, damage_pred, damage_defects, natural):
    """Blend share and defect charges that best serve the criterion on out-of-fold estimates."""
    best = None
    for share in SVR_SHARES:
        base = share * pred[0] + (1 - share) * pred[1]
        damage_base = share * damage_pred[0] + (1 - share) * damage_pred[1]
        weights = np.full(len(DEFECTS), DEFECT_WEIGHTS[0])
        percentiles = [DEFECT_PERCENTILES[-1]] * len(DEFECTS)

        def judged(w, p):
            t = np.array([np.percentile(natural[:, k], p[k]) for k in range(len(DEFECTS))])
            return criterion(base - charges(defects, w, t), y, series,
                             damage_base - charges(damage_defects, w, t))

        floor = coding_floor(weights, percentiles, series, damage_base, damage_defects, natural)
        weights[CODING], percentiles[CODING] = floor
        current = judged(weights, percentiles)
        for _ in range(2):
            for k in range(len(DEFECTS)):
                for weight in DEFECT_WEIGHTS:
                    if k == CODING and weight < floor[0]:
                        continue
                    for percentile in DEFECT_PERCENTILES:
                        # A higher threshold would charge less than the floor somewhere.
                        if k == CODING and percentile > floor[1]:
                            continue
                        w, p = weights.copy(), list(percentiles)
                        w[k], p[k] = weight, percentile
                        result = judged(w, p)
                        if result[0] > current[0] + 1e-9:
                            current, weights, percentiles = result, w, p
        if best is None or current[0] > best[0][0]:
            best = (current, share, weights, percentiles)
    return best


def choose(scored, damage, photos, quick, log):
    """The setting, blend share and defect charges chosen by an inner search over `photos`."""
    settings = SETTINGS[:1] if quick else SETTINGS
    inner = folds_of(photos, 2 if quick else INNER_FOLDS)
    rounds = 1 if quick else INNER_FOLDS
    in_photos = np.isin(scored.names, photos)
    rows = np.where(in_photos)[0]
    damage_rows = np.where(np.isin(damage.photos, photos))[0]
    fold_of = dict(zip(photos, inner))
    def inner_fit(setting, j):
        model = fit(scored, damage, photos[inner != j], setting)
        held = np.array([fold_of[n] == j for n in scored.names[rows]])
        held_damage = np.array([fold_of[n] == j for n in damage.photos[damage_rows]])
        return (held, model.predict(scored.terms[rows[held]]), held_damage,
                model.predict(damage.terms[damage_rows[held_damage]]))

    # The fits are independent: two at a time (the machine's two processors).
    tasks = [(setting, j) for setting in settings for j in range(rounds)]
    results = Parallel(n_jobs=JOBS)(delayed(inner_fit)(setting, j) for setting, j in tasks)
    def judge_setting(setting):
        pred = np.zeros((2, len(rows)))
        damage_pred = np.zeros((2, len(damage_rows)))
        judged = np.zeros(len(rows), bool)
        judged_damage = np.zeros(len(damage_rows), bool)
        for (s, _), (held, p, held_damage, dp) in zip(tasks, results):
            if s != setting:
                continue
            pred[:, held] = p
            damage_pred[:, held_damage] = dp
            judged |= held
            judged_damage |= held_damage
        r, dr = rows[judged], damage_rows[judged_damage]
        return choose_charges(pred[:, judged], scored.y[r], scored.defects[r], Series(damage, dr),
                              damage_pred[:, judged_damage], damage.defects[dr], scored.defects[rows])

    # Each setting's charges are searched apart from the others': two at a time too.
    chosen = Parallel(n_jobs=JOBS)(delayed(judge_setting)(setting) for setting in settings)
    best = None
    for setting, result in zip(settings, chosen):
        log(f"    C={setting['C']:g} drop={setting['drop']:g}: criterion {result[0][0]:.4f}, "
            f"SROCC {result[0][1]:.4f}, share {result[1]:g}")
        if best is None or result[0][0] > best[1][0][0]:
            best = (setting, result)
    setting, (_, share, weights, percentiles) = best
    natural = scored.defects[rows]
    thresholds = np.array([np.percentile(natural[:, k], percentiles[k]) for k in range(len(DEFECTS))])
    return setting, share, weights, thresholds, percentiles


def fold_map(scored, damage):
    """The fold of every photo: scored ones by their names, the others (crops) dealt apart."""
    fold = dict(zip(scored.names, folds_of(scored.names)))
    others = sorted(set(damage.photos) - set(fold))
    if others:
        fold.update(zip(others, folds_of(np.array(others))))
    return fold


def judge_outer(scored, damage, quick, log):
    fold = fold_map(scored, damage)
    folds = np.array([fold[n] for n in scored.names])
    keys = np.array(sorted(fold))
    figures = []
    for k in range(FOLDS):
        log(f"  fold {k + 1}: choosing on the other four")
        train = np.array([p for p in keys if fold[p] != k])
        setting, share, weights, thresholds, _ = choose(scored, damage, train, quick, log)
        model = fit(scored, damage, train, setting)
        test = folds == k
        base = model.predict(scored.terms[test])
        estimate = share * base[0] + (1 - share) * base[1] - charges(scored.defects[test], weights, thresholds)
        rows = np.array([i for i, p in enumerate(damage.photos) if fold[p] == k])
        dbase = model.predict(damage.terms[rows])
        destimate = share * dbase[0] + (1 - share) * dbase[1] - charges(damage.defects[rows], weights, thresholds)
        series = Series(damage, rows)
        figure = agreement(estimate, scored.y[test])
        figure["order"] = series.order(destimate)
        figure["order_by_table"] = series.order_by_table(destimate)
        figure["resave_gap"] = series.resave_gap(destimate)
        figure["photos"] = int(test.sum())
        figures.append(figure)
        log(f"  fold {k + 1}: SROCC {figure['srocc']:.4f}  KROCC {figure['krocc']:.4f}  "
            f"PLCC {figure['plcc']:.4f}  damage " + " ".join(f"{n} {figure['order'][n]:.3f}" for n in KINDS)
            + f"  JPEG re-save gap {figure['resave_gap']:.4f}")
        log("    by damage table (native, wide, crops, reduced): " + "  ".join(
            f"{n} " + "/".join(f"{o:.3f}" for o in figure["order_by_table"][n].values()) for n in KINDS))
    return figures


def pick(args):
    good = []
    for spec in args.scored:
        mos_csv, images = spec.split(":", 1)
        _, rows = read_table(mos_csv)
        good += [(row[0], f"{images}/{row[0]}") for row in rows if float(row[1]) >= GOOD_PHOTO]
    good.sort()
    step = max(1, len(good) // (2 * DAMAGE_PHOTOS_EACH))
    chosen = good[::step][: 2 * DAMAGE_PHOTOS_EACH]
    for path, part in ((args.native, chosen[0::2]), (args.wide, chosen[1::2])):
        with open(path, "w") as f:
            f.writelines(p + "\n" for _, p in part)
    if args.crops:
        # Crops near the corners: where each lies is a share of the room left.
        with open(args.crops, "w") as f:
            for photo in args.crops_of:
                f.writelines(f"{photo}@{x},{y},{CROP[0]},{CROP[1]}\n"
                             for x in CROP_PLACES for y in CROP_PLACES)
        with open(args.reduced, "w") as f:
            for photo in args.crops_of:
                f.write(photo + "\n")
                f.writelines(f"{photo}@{x},{x},{LARGE_CROP[0]},{LARGE_CROP[1]}\n" for x in CROP_PLACES)


def run_fit(args):
    def log(text):
        print(text, flush=True)

    scored = Scored(args.scored)
    # The first damage table holds the photos at their own size.
    damage = Damage(args.damage, lambda table, kind, level: table == 0 and level in NOT_DAMAGE.get(kind, ()))
    log(f"{len(scored.y)} scored photos, {len(set(damage.groups))} damaged photo series "
        f"({len(set(damage.photos) - set(scored.names))} of them crops of other photos), "
        f"{scored.terms.shape[1]} terms")
    figures = judge_outer(scored, damage, args.quick, log)
    log("Held-out figures (mean over folds): " + ", ".join(
        f"{m.upper()} {np.mean([f[m] for f in figures]):.4f}" for m in ("srocc", "krocc", "plcc"))
        + "; damage order " + " ".join(f"{n} {np.mean([f['order'][n] for f in figures]):.3f}" for n in KINDS))
    log("final: choosing on all photos")
    every = np.array(sorted(fold_map(scored, damage)))
    setting, share, weights, thresholds, percentiles = choose(scored, damage, every, args.quick, log)
    model = fit(scored, damage, every, setting)
    export.write(args.out, model, scored, damage, share, weights, thresholds, percentiles, setting, figures)
    log(f"wrote {args.out}: C={setting['C']:g} drop={setting['drop']:g} share={share:g} "
        f"{len(model.svr.support_)} support vectors, {TREES['max_iter']} trees, defect weights "
        + " ".join(f"{n[2:]} {w:g}@p{p}" for n, w, p in zip(DEFECTS, weights, percentiles)))


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    sub = parser.add_subparsers(dest="command", required=True)
    p = sub.add_parser("pick")
    p.add_argument("scored", nargs="+")
    p.add_argument("--native", required=True)
    p.add_argument("--wide", required=True)
    p.add_argument("--crops")
    p.add_argument("--reduced")
    p.add_argument("--crops-of", nargs="*", default=[])
    f = sub.add_parser("fit")
    f.add_argument("--scored", nargs="+", required=True)
    f.add_argument("--damage", nargs="+", required=True)
    f.add_argument("--out", required=True)
    f.add_argument("--quick", action="store_true", help="one setting, one inner split (trials only)")
    args = parser.parse_args()
    pick(args) if args.command == "pick" else run_fit(args)
    return 0


if __name__ == "__main__":
    sys.exit(main())
