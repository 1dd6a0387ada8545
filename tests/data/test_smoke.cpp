#include "support/testsupport.h"

using namespace nettora;
using namespace nettora::test;

class Smoke : public DataDirTest {};

TEST_F(Smoke, ProvisionsAndReopens)
{
    const qint64 id = addClient("John", "Smith");
    EXPECT_EQ(id, 1);
    restart();
    dm1->tblClient->first();
    EXPECT_EQ(dm1->tblClient->asString("LastName"), "Smith");
    dm1->tblUser->first();
    EXPECT_EQ(dm1->tblUser->recordCount(), 1);
}
