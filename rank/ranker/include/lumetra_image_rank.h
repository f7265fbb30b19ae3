/* The ranking library: judges the quality of one photo from its working bitmap.
 *
 * Every entry is safe to call with any argument (null, missing or unreadable files). Results are
 * deterministic: the same file and the same source give the same rank on every call. Entries may
 * be called from several threads at once; what ImageRankSource names is kept per thread. */
#ifndef LUMETRA_IMAGE_RANK_H
#define LUMETRA_IMAGE_RANK_H

#include <stdint.h>

#if defined(_WIN32)
#if defined(LIS_RANKER_BUILDING)
#define LIS_RANK_API __declspec(dllexport)
#else
#define LIS_RANK_API __declspec(dllimport)
#endif
#else
#define LIS_RANK_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* The parts of a judgement, each from 0 (worst) to 100 (best). */
typedef struct ImageRankScores
{
    double sharpness; /* detail in the sharpest region; blur of any kind lowers it */
    double noise; /* 100 = clean, lower = more sensor or added noise */
    double exposure; /* clipped shadows and highlights, brightness far from mid-grey */
    double contrast; /* spread of tones */
    double compression; /* 100 = no visible block edges of JPEG coding in the pixels */
    int32_t rank; /* what ImageRank returns for the same input */
} ImageRankScores;

/* Ranks the bitmap named by an automation-style string: *path points at the first byte of a
 * UTF-8 text whose byte length is stored in the 32 bits just before it (a NUL follows it).
 * The path is read, never changed. Returns at least 1 for an image it could judge (higher is
 * better) and 0 for a file it cannot read (missing, unreadable, empty, not an image). */
LIS_RANK_API int32_t ImageRank(char **path);

/* Optional: names the original file the next working bitmap was made from, so the next ranking
 * call knows how far the bitmap was reduced, where the block edges of a JPEG's coding fall on it,
 * and what coding the file's own pixels show at their own resolution. The file's header is read
 * for its pixel size, then a band of its pixels (for a JPEG, that band alone is decoded): the same
 * pixels in any file format are judged the same. The information applies to the next ImageRank,
 * ImageRankWithScores or ImageRankDetails call of the same thread only, whether or not that
 * call can read its bitmap; a null, unreadable or changed source (one whose size does not give
 * the bitmap's) simply leaves the next call to the bitmap alone. */
LIS_RANK_API void ImageRankSource(const char *sourcePath);

/* ImageRank and the parts of the same judgement in one pass: takes the same automation-style
 * argument, returns what ImageRank returns for it and fills *out (when not null) with the parts
 * and that rank; on failure it returns 0 and zeroes *out. */
LIS_RANK_API int32_t ImageRankWithScores(char **path, ImageRankScores *out);

/* Like ImageRank for a plain NUL-terminated UTF-8 path, and fills *out with the parts of the
 * judgement. Returns the rank (0 on failure, *out then zeroed when not null). */
LIS_RANK_API int32_t ImageRankDetails(const char *workingBitmap, ImageRankScores *out);

#ifdef __cplusplus
}
#endif

#endif /* LUMETRA_IMAGE_RANK_H */
