// Test entry for binaries that use the office: the shared office ends with the test run.

#include <Office.hxx>

#include <gtest/gtest.h>

namespace
{
class OfficeEnvironment : public ::testing::Environment
{
public:
    void TearDown() override { quillmark::office::Office::stopShared(); }
};
}

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new OfficeEnvironment);
    return RUN_ALL_TESTS();
}
