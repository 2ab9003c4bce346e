// The operations that let nothing reach the office: whatever is thrown, the caller gets the
// failure value, one report and a line in the log, and a lost property is told apart however it
// was wrapped.

#include <common/CaughtExceptions.hxx>

#include <com/sun/star/uno/RuntimeException.hpp>
#include <gtest/gtest.h>
#include <functional>
#include <string>
#include <stdexcept>
#include <vector>

using namespace com::sun::star;
using quillmark::CaughtFault;
using quillmark::withEveryExceptionCaught;

namespace
{
/// What a catch-all around `thrower` reports, with the result it gives.
template <class Thrower>
std::pair<int, std::vector<CaughtFault>> caughtFrom(Thrower&& thrower)
{
    std::vector<CaughtFault> reports;
    const int result = withEveryExceptionCaught(
        -1,
        [&]() -> int {
            thrower();
            return 7;
        },
        [&](CaughtFault fault) { reports.push_back(fault); });
    return { result, reports };
}

uno::Any wrappedInRuntime(const uno::Any& inner)
{
    return uno::Any(lang::WrappedTargetRuntimeException("runtime", nullptr, inner));
}
}

TEST(CaughtExceptions, ALostPropertyIsToldApartHoweverDeeplyItIsWrapped)
{
    const beans::UnknownPropertyException lost("Author", nullptr);
    using Faults = std::vector<CaughtFault>;
    const Faults missing{ CaughtFault::MissingProperty };
    EXPECT_EQ(std::make_pair(-1, missing), caughtFrom([&] { throw lost; }));
    // As the interface boundary of a nested operation passes it on.
    EXPECT_EQ(std::make_pair(-1, missing), caughtFrom([&] {
                  throw lang::WrappedTargetRuntimeException("", nullptr, uno::Any(lost));
              }));
    const uno::Any twice = wrappedInRuntime(
        uno::Any(lang::WrappedTargetException("checked", nullptr, uno::Any(lost))));
    EXPECT_TRUE(quillmark::carriesUnknownProperty(twice));
    EXPECT_EQ(std::make_pair(-1, missing),
              caughtFrom([&] { throw lang::WrappedTargetRuntimeException("", nullptr, twice); }));

    EXPECT_FALSE(quillmark::carriesUnknownProperty(
        wrappedInRuntime(uno::Any(uno::RuntimeException("other")))));
    EXPECT_FALSE(quillmark::carriesUnknownProperty(uno::Any()));
    EXPECT_FALSE(quillmark::carriesUnknownProperty(uno::Any(sal_Int32(3))));
}

TEST(CaughtExceptions, EveryOtherExceptionEndsInOneReportAndTheFailureValue)
{
    using Faults = std::vector<CaughtFault>;
    const auto other = std::make_pair(-1, Faults{ CaughtFault::Other });
    EXPECT_EQ(other, caughtFrom([] { throw uno::RuntimeException("office"); }));
    EXPECT_EQ(other, caughtFrom([] { throw uno::Exception("checked", nullptr); }));
    EXPECT_EQ(other, caughtFrom([] { throw std::runtime_error("library"); }));
    EXPECT_EQ(other, caughtFrom([] { throw std::bad_alloc(); }));
    EXPECT_EQ(other, caughtFrom([] { throw 42; }));
    EXPECT_EQ(std::make_pair(7, Faults{}), caughtFrom([] {}));
}

TEST(CaughtExceptions, AReportThatThrowsStillEndsInTheFailureValue)
{
    int reports = 0;
    const bool result = withEveryExceptionCaught(
        false, []() -> bool { throw std::runtime_error("first"); },
        [&](CaughtFault) {
            ++reports;
            throw uno::RuntimeException("the message box cannot open");
        });
    EXPECT_FALSE(result);
    EXPECT_EQ(1, reports);
}

TEST(CaughtExceptions, WhatIsSwallowedIsLoggedWithItsAreaAndItsWords)
{
    struct Case
    {
        const char* thrown;
        std::function<void()> thrower;
        const char* logged;
    };
    const std::vector<Case> cases{
        { "a lost property", [] { throw beans::UnknownPropertyException("Author", nullptr); },
          "a property is missing: Author" },
        { "a wrapped failure",
          [] {
              throw lang::WrappedTargetRuntimeException(rtl::OUString::fromUtf8(u8"包装"), nullptr,
                                                        uno::Any());
          },
          u8"the office failed: 包装" },
        { "an office failure", [] { throw uno::RuntimeException("the frame is gone"); },
          "the office failed: the frame is gone" },
        { "a C++ failure", [] { throw std::runtime_error("disk full"); },
          "the operation failed: disk full" },
        { "anything else", [] { throw 42; }, "the operation failed: int" },
    };
    for (const Case& c : cases)
    {
        testing::internal::CaptureStderr();
        caughtFrom(c.thrower);
        const std::string log = testing::internal::GetCapturedStderr();
        EXPECT_NE(std::string::npos, log.find("warn:quillmark.component:"))
            << c.thrown << ": " << log;
        EXPECT_NE(std::string::npos, log.find(c.logged)) << c.thrown << ": " << log;
    }

    // The report's own failure is not lost either.
    testing::internal::CaptureStderr();
    withEveryExceptionCaught(
        0, []() -> int { throw std::runtime_error("first"); },
        [](CaughtFault) { throw uno::RuntimeException("no box"); });
    const std::string log = testing::internal::GetCapturedStderr();
    EXPECT_NE(std::string::npos, log.find("the failure was not reported: no box")) << log;
}
