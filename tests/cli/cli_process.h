#pragma once
// Running the real nettora-cli (or a shell around it) from a test: its
// environment, its standard input, and what it printed and returned.

#include "data/datamodule.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace nettora::test {

struct CliRun {
    int status = -1;
    QString out;
    QByteArray rawOut;  // out as written, for binary output such as a PDF
    QString err;
};

// This environment without NETTORA_DATA_DIR, so that the program finds its
// data only where the test tells it.
inline QProcessEnvironment cliEnvironment()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("NETTORA_DATA_DIR"));
    env.insert(QStringLiteral("NETTORA_PASSWORD"), QStringLiteral("test password"));
    return env;
}

// Makes the data of an empty directory in-process, under the test password
// with the cheap key derivation, so that the program's runs on it unlock it
// at no cost (data it made itself would take the full derivation each time).
inline void makeTestData(const QString &dir)
{
    Tdm1 module;
    Tdm1 *const previous = dm1;
    dm1 = &module;
    module.ConnectDb(dir, testPassword());
    dm1 = previous;
}

// Starts the program in env; one that does not start is a test failure.
inline bool startProcess(QProcess &p, const QString &program, const QStringList &args,
                         const QProcessEnvironment &env)
{
    p.setProcessEnvironment(env);
    p.start(program, args);
    if (p.waitForStarted())
        return true;
    ADD_FAILURE() << "nettora-cli did not start";
    return false;
}

// Gives the started program its whole input and waits for its end; one that
// does not end normally is a test failure and leaves the status at -1.
inline CliRun finishProcess(QProcess &p, const QByteArray &input)
{
    p.write(input);
    p.closeWriteChannel();
    CliRun r;
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit) {
        ADD_FAILURE() << "nettora-cli did not end normally";
        return r;
    }
    r.status = p.exitCode();
    r.rawOut = p.readAllStandardOutput();
    r.out = QString::fromUtf8(r.rawOut);
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

inline CliRun runProcess(const QString &program, const QStringList &args, const QProcessEnvironment &env,
                         const QByteArray &input = QByteArray())
{
    QProcess p;
    if (!startProcess(p, program, args, env))
        return {};
    return finishProcess(p, input);
}

}  // namespace nettora::test
