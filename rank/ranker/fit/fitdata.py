"""Term tables written by quality-terms, the folds every figure is judged on, and the figures."""
import csv
import os

import numpy as np
from scipy.stats import kendalltau, pearsonr, rankdata, spearmanr

FOLDS = 5
FOLD_SEED = 20211
KINDS = ("blur", "jpeg", "noise", "over", "under", "contrast")
DEFECTS = ("d_softness", "d_noise", "d_darkness", "d_blown", "d_flatness", "d_blocking", "d_coding")


class Scored:
    """Scored photos: names, opinion scores, terms and defects, row for row."""

    def __init__(self, paths):
        names, scores, terms, defects = [], [], [], []
        for path in paths:
            header, rows = read_table(path)
            self.term_names = header[2 : -len(DEFECTS)]
            for row in rows:
                names.append(row[0])
                scores.append(float(row[1]))
                terms.append([float(v) for v in row[2 : -len(DEFECTS)]])
                defects.append([float(v) for v in row[-len(DEFECTS) :]])
        self.names = np.array(names)
        self.y = np.array(scores)
        self.terms = np.array(terms)
        self.defects = np.array(defects)


class Damage:
    """Graded damage of some scored photos: one row per damaged (or original) bitmap. A group is
    one photo at one size; `photo` is its scored name. `skip(table, kind, level)` leaves out rows
    that are no damage."""

    def __init__(self, paths, skip=lambda table, kind, level: False):
        groups, photos, kinds, levels, terms, defects = [], [], [], [], [], []
        for index, path in enumerate(paths):
            _, rows = read_table(path)
            for row in rows:
                if skip(index, row[1], int(row[2])):
                    continue
                # Scored photos go by their file name; crops of other photos by their whole line.
                name = row[0] if "@" in row[0] else os.path.basename(row[0])
                groups.append(f"{index}:{name}")
                photos.append(name)
                kinds.append(row[1])
                levels.append(int(row[2]))
                terms.append([float(v) for v in row[3 : -len(DEFECTS)]])
                defects.append([float(v) for v in row[-len(DEFECTS) :]])
        self.groups = np.array(groups)
        self.photos = np.array(photos)
        self.kinds = np.array(kinds)
        self.levels = np.array(levels)
        self.terms = np.array(terms)
        self.defects = np.array(defects)


def read_table(path):
    with open(path, newline="") as f:
        reader = csv.reader(f)
        header = next(reader)
        return header, [row for row in reader if row]


def folds_of(names, count=FOLDS):
    """Fold 0..count-1 of every name: a fixed shuffle of the sorted names, dealt out in turn."""
    order = sorted(set(names))
    permutation = np.random.RandomState(FOLD_SEED).permutation(len(order))
    fold = {order[p]: i % count for i, p in enumerate(permutation)}
    return np.array([fold[n] for n in names])


def agreement(predicted, y):
    return {
        "srocc": spearmanr(predicted, y).correlation,
        "krocc": kendalltau(predicted, y).correlation,
        "plcc": pearsonr(predicted, y)[0],
    }


class Series:
    """The graded series among some damage rows: for every photo group and kind, the positions
    (within those rows) of the original and of its levels, so orders are computed at once.
    Series of the same length are kept together."""

    def __init__(self, damage, rows):
        by_group = {}
        for position, row in enumerate(rows):
            by_group.setdefault(damage.groups[row], {})[(damage.kinds[row], damage.levels[row])] = position
        series = {}
        self.resaves = []
        for group, entries in by_group.items():
            table = int(group.split(":", 1)[0])
            if ("original", 0) not in entries:
                continue
            if ("resaved", 0) in entries:
                self.resaves.append((entries[("original", 0)], entries[("resaved", 0)]))
            for kind in KINDS:
                levels = sorted(level for k, level in entries if k == kind)
                if len(levels) >= 2:
                    positions = [entries[("original", 0)]] + [entries[(kind, level)] for level in levels]
                    series.setdefault(len(positions), ([], [], [], []))
                    series[len(positions)][0].append(positions)
                    series[len(positions)][1].append([0] + levels)
                    series[len(positions)][2].append(kind)
                    series[len(positions)][3].append(table)
        self.series = [(np.array(p), np.array(l, dtype=float), np.array(k), np.array(t))
                       for p, l, k, t in series.values()]
        # The ranks of -level, centred: the same for every score.
        self.falling = [r - r.mean(axis=1, keepdims=True)
                        for r in (rankdata(-levels, axis=1) for _, levels, _, _ in self.series)]
        self.resaves = np.array(self.resaves, dtype=int).reshape(-1, 2)

    def resave_gap(self, score):
        """Mean absolute difference between each original and its JPEG re-save."""
        if not len(self.resaves):
            return 0.0
        return float(np.abs(score[self.resaves[:, 0]] - score[self.resaves[:, 1]]).mean())

    def order(self, score, orders=None):
        """Per kind, the mean over photos of Spearman's correlation between -level and the score
        (ties share their rank; a constant score counts 0). `orders` may give self.orders(score)."""
        rho, kinds, _ = orders or self.orders(score)
        return {k: float(rho[kinds == k].mean()) if (kinds == k).any() else float("nan") for k in KINDS}

    def order_by_table(self, score, orders=None):
        """The same per kind and damage table: {kind: {table: order}}."""
        rho, kinds, tables = orders or self.orders(score)
        return {k: {int(t): float(rho[(kinds == k) & (tables == t)].mean()) for t in np.unique(tables[kinds == k])}
                for k in KINDS}

    def orders(self, score):
        """Every series' order, with its kind and its table."""
        rho, kinds, tables = [], [], []
        for (positions, _, kind, table), falling in zip(self.series, self.falling):
            ranks = rankdata(score[positions], axis=1)
            ranks -= ranks.mean(axis=1, keepdims=True)
            spread = np.sqrt((ranks**2).sum(axis=1) * (falling**2).sum(axis=1))
            rho.append(np.divide((ranks * falling).sum(axis=1), spread, out=np.zeros(len(ranks)),
                                 where=spread > 0))
            kinds.append(kind)
            tables.append(table)
        return np.concatenate(rho), np.concatenate(kinds), np.concatenate(tables)
