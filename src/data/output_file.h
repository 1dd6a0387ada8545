#pragma once
// Output files (exported documents, PDF files, backups): written under a
// temporary name in the target's folder, flushed to the disk and renamed into
// place, so that a failure at any point leaves no half-written file and the
// previous file as it was. Only a regular file is ever replaced: a folder, a
// device, a named pipe, a socket or a symbolic link in the target's place is
// refused (a link is refused rather than followed, so that a link planted in a
// shared folder cannot redirect the file). The files hold client data and are
// created readable and writable by their owner only (0600), also where they
// replace an existing file.

#include <QByteArray>
#include <QString>
#include <memory>
#include "data/error.h"

#include <stdexcept>

class QFile;
class QIODevice;

namespace nettora {

// text() is the sentence for a message box: Cannot write "PATH": REASON.
class OutputFileError : public Error {
public:
    OutputFileError(const QString &path, const QString &reason)
        : Error(QStringLiteral("Cannot write \"%1\": %2.").arg(path, reason)), m_path(path), m_reason(reason) {}
    const QString &path() const { return m_path; }
    // Why, without the path: "it is a folder, not a regular file".
    const QString &reason() const { return m_reason; }

private:
    QString m_path;
    QString m_reason;
};

class OutputFile {
public:
    // Checks the target and creates the temporary file beside it; throws
    // OutputFileError when the target may not be replaced or the folder
    // takes no file.
    explicit OutputFile(const QString &path);
    // Removes the temporary file unless commit() ran.
    ~OutputFile();
    OutputFile(const OutputFile &) = delete;
    OutputFile &operator=(const OutputFile &) = delete;

    QString path() const { return m_path; }
    // The temporary file, for writers that want a file name of their own;
    // what they write there is what commit() puts in place.
    QString temporaryPath() const { return m_temporaryPath; }
    // The temporary file opened for writing.
    QIODevice &device();
    // Writes the whole of data to the temporary file; throws OutputFileError
    // with the reason when it does not all go.
    void write(const QByteArray &data);

    // Flushes and syncs the temporary file, checks the target again and
    // renames the file into place. Throws OutputFileError; the temporary
    // file is gone afterwards either way.
    void commit();

private:
    [[noreturn]] void fail(const QString &reason);
    void discard() noexcept;

    QString m_path;
    QString m_temporaryPath;
    int m_fd = -1;
    std::unique_ptr<QFile> m_file;
    bool m_committed = false;
};

// Why an output file may not take the place of what is at path ("it is a
// folder, not a regular file"), or an empty text. Nothing there is fine: the
// file is new. OutputFile gives the same reason; a caller may ask first.
QString outputFileRefusal(const QString &path);

// The whole data as one output file.
void writeOutputFile(const QString &path, const QByteArray &data);

}  // namespace nettora
