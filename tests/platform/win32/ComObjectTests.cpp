// The platform's one answer for interface methods it does not implement.
#include <com_object.h>

#include <gtest/gtest.h>

namespace
{

TEST(NotImplemented, NamesEachMethodOnceClearsTheSlotAndAnswersTheFailure)
{
    ::testing::internal::CaptureStderr();
    int object = 0;
    int* slot = &object;
    EXPECT_EQ(com::NotImplemented("IExample", "HandOut", &slot), E_NOTIMPL);
    EXPECT_EQ(slot, nullptr);
    EXPECT_EQ(com::NotImplemented("IExample", "HandOut"), E_NOTIMPL);
    EXPECT_EQ(com::NotImplemented("IExample", "Find", DXGI_ERROR_NOT_FOUND), DXGI_ERROR_NOT_FOUND);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "IExample::HandOut is not implemented by this platform\n"
              "IExample::Find is not implemented by this platform\n");
}

} // namespace
