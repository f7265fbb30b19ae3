#pragma once

#include <QString>

namespace lis {

enum class DestinationRefusal {
    None,
    NotAFolder, // no such folder (or not a folder)
    InsideWorkFolder, // the program's working folder or a folder in it: emptied after a search
};

// Whether copies may go into the output folder. The working folder is recognised under any
// spelling of either path (relative, trailing separators, "." and "..", links), also where part
// of the output folder does not exist yet; an empty working folder refuses nothing.
DestinationRefusal checkCopyDestination(const QString &outputFolder, const QString &workFolder);

// Why the command line cannot copy into an output folder. Stored values keep their meaning; new
// ones go last.
enum class OutputFolderProblem {
    None,
    InsideWorkFolder, // the program's working folder or a folder in it (`at`: the working folder)
    NotAFolder, // something that is not a folder has the folder's name (`at`: that entry)
    PassesThroughFile, // a file stands where a folder of the path should be (`at`: that file)
    NotWritable, // the folder is there but does not take new files (`at`: the folder)
    CannotBeCreated, // not there, and the nearest folder that is cannot be written to or entered
                     // (`at`: that folder)
};

struct OutputFolderCheck
{
    OutputFolderProblem problem = OutputFolderProblem::None;
    // The folder is not there yet: copyItems with CopyPolicy::createMissingFolder makes it.
    bool missing = false;
    // The entry that decides (see OutputFolderProblem); for None, the folder itself or, when it
    // is missing, the nearest folder that is there. Spelled as in the path given.
    QString at;

    bool isAcceptable() const { return problem == OutputFolderProblem::None; }
};

// Whether copies may go into the output folder, as the command line asks before a search: like
// checkCopyDestination, but a folder that is not there is fine when it can be made, and one that
// is there must be writable. Nothing is made. The path is walked by the system one name at a
// time, so links, "..", names that are not UTF-8 and paths of any length are all judged as the
// copy will meet them.
OutputFolderCheck checkOutputFolder(const QString &outputFolder, const QString &workFolder);

// The problem in a few words for a person, naming the entry that decides; empty for None.
QString outputFolderProblemText(const OutputFolderCheck &check);

// Makes the folder and every missing level above it (mode 0777 less the umask). 0 when it is
// there afterwards, otherwise the errno of the step that failed.
int makeOutputFolder(const QString &outputFolder);

} // namespace lis
