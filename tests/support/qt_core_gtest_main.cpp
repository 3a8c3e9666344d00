// gtest entry for test binaries of widget-free code: a QCoreApplication only, so they link
// nothing above QtCore and need no display platform at all.
#include <QCoreApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
