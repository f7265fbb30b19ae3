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
    double compression; /* 100 = no visible loss; from the source's JPEG tables when known */
    int32_t rank; /* what ImageRank returns for the same input */
} ImageRankScores;

/* Ranks the bitmap named by an automation-style string: *path points at the first byte of a
 * UTF-8 text whose byte length is stored in the 32 bits just before it (a NUL follows it).
 * The path is read, never changed. Returns at least 1 for an image it could judge (higher is
 * better) and 0 for a file it cannot read (missing, unreadable, empty, not an image). */
LIS_RANK_API int32_t ImageRank(char **path);

/* Optional: names the original file the next working bitmap was made from, so the next ranking
 * call can also judge what the reduction erased (JPEG compression). Only the file's header is
 * read. The information applies to the next ImageRank or ImageRankDetails call of the same
 * thread only, whether or not that call can read its bitmap; a null or
 * unreadable source simply leaves the next call to the bitmap alone. */
LIS_RANK_API void ImageRankSource(const char *sourcePath);

/* Like ImageRank for a plain NUL-terminated UTF-8 path, and fills *out with the parts of the
 * judgement. Returns the rank (0 on failure, *out then zeroed when not null). */
LIS_RANK_API int32_t ImageRankDetails(const char *workingBitmap, ImageRankScores *out);

#ifdef __cplusplus
}
#endif

#endif /* LUMETRA_IMAGE_RANK_H */
