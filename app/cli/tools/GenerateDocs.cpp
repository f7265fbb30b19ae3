// Writes the manual page and the shell completions from the command line's option table:
//   lis-generate-docs OUT_DIR
#include "app/cli/CliDocs.h"

#include <QFile>
#include <cstdio>

namespace {

bool writeText(const QString &path, const QString &text)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const QByteArray bytes = text.toUtf8();
    return file.write(bytes) == bytes.size() && file.flush();
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: lis-generate-docs OUT_DIR\n");
        return 2;
    }
    const QString out = QFile::decodeName(argv[1]);
    const bool written
        = writeText(out + QStringLiteral("/lumetra-image-search.1"), lis::manualPage())
        && writeText(out + QStringLiteral("/lumetra-image-search.bash"), lis::bashCompletion())
        && writeText(out + QStringLiteral("/_lumetra-image-search"), lis::zshCompletion());
    if (!written) {
        std::fprintf(stderr, "lis-generate-docs: cannot write into %s\n", argv[1]);
        return 1;
    }
    return 0;
}
