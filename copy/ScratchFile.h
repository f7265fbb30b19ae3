#pragma once

#include "core/UserFile.h"

#include <QByteArray>
#include <QtGlobal>

namespace lis {

// A file being written in the destination folder under a name of its own. It is removed when it
// goes away, unless it was moved to its final name.
class ScratchFile
{
public:
    // A new, empty file in the folder; never an entry that was there, never through a link.
    static ScratchFile create(int folder);

    ScratchFile(ScratchFile &&other) noexcept;
    ScratchFile &operator=(ScratchFile &&) = delete;
    ~ScratchFile();

    bool isOpen() const { return m_fd.isValid(); }
    int error() const { return m_error; }
    int descriptor() const { return m_fd.get(); }

    // Appends all of the bytes; false with errno set when the disk takes fewer. What was written
    // is handed to the disk as it goes, a few megabytes behind, so the final flush has little
    // left to do and no single call waits for the whole file.
    bool append(const char *data, qint64 size);

    // Closes the file, reporting what a deferred write may only tell now.
    bool close();

    // Renames the file to its final name in the same folder. A name that was free must still be
    // free: whatever appeared there meanwhile is not this copy's to replace (errno EEXIST).
    bool moveTo(const QByteArray &finalName, bool replacing);

private:
    explicit ScratchFile(int folder)
        : m_folder(folder)
    { }
    bool flushBehind();

    int m_folder;
    UniqueFd m_fd;
    QByteArray m_name;
    int m_error = 0;
    qint64 m_written = 0;
    qint64 m_started = 0; // written bytes whose write-back was started
    qint64 m_settled = 0; // written bytes known to be on the disk
    bool m_canFlushBehind = true;
};

} // namespace lis
