#pragma once
// Reference output checked in under tests/reports/reference: a test's text
// must equal its file. NETTORA_UPDATE_REFERENCES=1 writes the files instead
// (scripts/update-report-references.sh), so an intended change is reviewed
// as a diff in git.

#include <QString>
#include <QStringList>
#include <gtest/gtest.h>

namespace nettora::test {

QString referenceDir();
bool updatingReferences();

// Success when text equals the reference file name (or the file was written
// in update mode). Otherwise the text goes to reference-new/name in the
// artefacts folder and the failure shows the first differing lines.
::testing::AssertionResult matchesReference(const QString &name, const QString &text);

// A unified-style excerpt of the first run of differing lines, with a few
// lines of context around it; empty when the texts are equal.
QString firstDifference(const QString &expected, const QString &actual);

}  // namespace nettora::test
