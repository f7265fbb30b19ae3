#include "rank/ImageProblem.h"

namespace lis {

QString describeProblem(ImageProblem problem)
{
    switch (problem) {
    case ImageProblem::None:
        return {};
    case ImageProblem::Missing:
        return QStringLiteral("The file could not be opened.");
    case ImageProblem::Damaged:
        return QStringLiteral("The image data is damaged or incomplete.");
    case ImageProblem::Unsupported:
        return QStringLiteral("The file is not an image the program can read.");
    case ImageProblem::TooLarge:
        return QStringLiteral("The image is too large to be read.");
    case ImageProblem::WriteFailed:
        return QStringLiteral("The working bitmap could not be written.");
    }
    return {};
}

QString problemKey(ImageProblem problem)
{
    switch (problem) {
    case ImageProblem::None:
        return {};
    case ImageProblem::Missing:
        return QStringLiteral("missing");
    case ImageProblem::Damaged:
        return QStringLiteral("damaged");
    case ImageProblem::Unsupported:
        return QStringLiteral("unsupported");
    case ImageProblem::TooLarge:
        return QStringLiteral("too-large");
    case ImageProblem::WriteFailed:
        return QStringLiteral("write-failed");
    }
    return {};
}

} // namespace lis
