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

} // namespace lis
