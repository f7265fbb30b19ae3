#pragma once

#include "core/AppPaths.h"
#include "core/RunHooks.h"
#include "rank/ImageProblem.h"
#include "rank/ImageSignature.h"
#include "rank/JpegLineage.h"
#include "rank/WorkingBitmap.h"
#include "rank/ranker/include/lumetra_image_rank.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <vector>

namespace lis {

class RankLibrary;
class ResultStore;
class ResultsCopies;

// What happened to one found file in the ranking loop.
struct FileOutcome
{
    QString path;
    std::int32_t rank = 0; // 0 when not judged
    ImageProblem problem = ImageProblem::None; // why no working bitmap could be made
    bool ranked = false; // the ranking library was called and answered
    // The parts of the judgement, when the library gave them with the rank.
    std::optional<ImageRankScores> scores;
    // What the working bitmap looks like, for grouping near-duplicates; only for a judged file.
    std::optional<ImageSignature> signature;
    std::optional<qint64> captureTime; // ms on the camera's clock, when its EXIF header says
    JpegLineage lineage = JpegLineage::Unknown; // a JPEG coded again from another one, or not
    QString resultsCopy; // the results copy written for it, or empty
    bool rowStored = false; // its row reached the result table
};

struct ProcessFilesResult
{
    std::vector<FileOutcome> files; // one per file the loop finished, in list order
    bool cancelled = false; // a confirmed cancel stopped the loop before the end
    // A working file of the program's own (working bitmap, results copy) could not be written;
    // the loop stopped at the file under way, which has no outcome and no row.
    std::optional<WriteFailure> writeFailure;
    // Rows that could not be stored (the database's reason), so the report would miss them.
    QString storeFailure;

    // The outcome of a path, or nullptr when the loop did not reach it.
    const FileOutcome *find(const QString &path) const;
    // Every file that could not be read, in list order.
    std::vector<const FileOutcome *> unreadable() const;
};

enum class PipelineMode {
    OneFile, // every step of a file before the next file starts
    ReadAhead, // the next files are decoded and scaled on the other cores while this one is ranked
};

// What the ranking loop works with; all owned by the caller and alive for the call.
struct RankRun
{
    const AppPaths &paths;
    ResultStore &store;
    RankLibrary &ranker;
    const RunHooks &hooks;
};

// The ranking loop: empties the result table, then for each found file in order makes the
// working bitmap, writes its results copy (named through `copies`), ranks it and appends its
// row. A file that cannot be prepared or ranked gets rank 0 and no results copy. The cancel flag
// is read once per file, at the top; the file under way always finishes with its row. A working
// file that cannot be written is no fault of the user's file: the loop stops there and says so.
// Both modes leave the same rows, results copies and working bitmap.
ProcessFilesResult ProcessFiles(const RankRun &run, const QStringList &foundFiles,
    ResultsCopies &copies, PipelineMode mode = PipelineMode::OneFile);

// The warning for a run stopped by a working file that could not be written: which folder and
// why, in plain words.
QString writeFailureMessage(const WriteFailure &failure);

} // namespace lis
