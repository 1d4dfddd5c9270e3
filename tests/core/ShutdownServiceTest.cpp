#include <gtest/gtest.h>

#include "Fakes.h"

namespace dormix::testing {
namespace {

using Lines = std::vector<std::string>;

struct Outcome {
    bool returned = false;
    bool raised = false;
    std::int32_t number = 0;
    std::string source, description;
};

Outcome Call(FakePower& api, std::int32_t flags) {
    power::ShutdownService service(api, "DormixL");
    Outcome out;
    try {
        out.returned = service.ShutdownSystem(flags);
    } catch (const ProgramError& e) {
        out.raised = true;
        out.number = e.Number();
        out.source = e.Source();
        out.description = e.Description();
    }
    return out;
}

TEST(ShutdownSystem, PowerOffForcedEnablesThePrivilegeThenAsks) {
    FakePower api;
    const Outcome out = Call(api, 12);
    EXPECT_TRUE(out.returned);
    EXPECT_FALSE(out.raised);
    EXPECT_EQ(api.calls,
              (Lines{"lookup", "process", "open 40", "adjust", "close", "exit 12 4294967295"}));
}

TEST(ShutdownSystem, FlagsOutsideTheRangeAreRefusedBeforeAnythingIsTouched) {
    for (const std::int32_t flags : {-1, 32, -2147483647 - 1, 2147483647}) {
        FakePower api;
        const Outcome out = Call(api, flags);
        ASSERT_TRUE(out.raised);
        EXPECT_EQ(out.number, -2147219921);  // 0x8004062F
        EXPECT_EQ(out.source, "DormixL.mShutDown");
        EXPECT_EQ(out.description, "Invalid parameter to ShutdownSystem: " + std::to_string(flags));
        EXPECT_TRUE(api.calls.empty());
    }
    for (const std::int32_t flags : {0, 31}) {
        FakePower api;
        EXPECT_TRUE(Call(api, flags).returned);
        EXPECT_EQ(api.calls.back(), "exit " + std::to_string(flags) + " 4294967295");
    }
}

TEST(ShutdownSystem, EachFailingStepRaisesItsOwnErrorWithTheSystemText) {
    struct Case {
        std::function<void(FakePower&)> fail;
        std::int32_t number;
        std::string description;
        Lines calls;
    };
    const std::string denied = "Access is denied.\r\n";  // kept as the system wrote it
    const std::vector<Case> cases = {
        {[](FakePower& a) { a.lookup = false; },
         -2147219924,
         "Can't enable shutdown: Can't find the SE_SHUTDOWN_NAME privilege value. [" + denied + "]",
         {"lookup", "last error", "format 5"}},
        {[](FakePower& a) { a.process = false; },
         -2147219923,
         "Can't enable shutdown: Can't determine the current process. [" + denied + "]",
         {"lookup", "process", "last error", "format 5"}},
        {[](FakePower& a) { a.token = false; },
         -2147219922,
         "Can't enable shutdown: You do not have the privileges to shutdown this system. [" +
             denied + "]",
         {"lookup", "process", "open 40", "last error", "format 5"}},
        // The last error is read before the token is closed, and the token is closed.
        {[](FakePower& a) { a.adjust = false; },
         -2147219922,
         "Can't enable shutdown: You do not have the privileges to shutdown this system. [" +
             denied + "]",
         {"lookup", "process", "open 40", "adjust", "last error", "close", "format 5"}},
        {[](FakePower& a) { a.exitOk = false; },
         -2147219925,
         "ShutdownSystem failed: " + denied,
         {"lookup", "process", "open 40", "adjust", "close", "exit 12 4294967295", "last error",
          "format 5"}},
    };
    for (const auto& c : cases) {
        FakePower api;
        c.fail(api);
        const Outcome out = Call(api, 12);
        ASSERT_TRUE(out.raised);
        EXPECT_EQ(out.number, c.number);
        EXPECT_EQ(out.source, "DormixL.mShutDown");
        EXPECT_EQ(out.description, c.description);
        EXPECT_EQ(api.calls, c.calls);
    }
}

TEST(ShutdownSystem, AStepThatTimedOutOrWentUnansweredIsToldApartFromARefusal) {
    const std::vector<std::function<void(FakePower&)>> fails = {
        [](FakePower& a) { a.lookup = false; }, [](FakePower& a) { a.token = false; },
        [](FakePower& a) { a.adjust = false; }, [](FakePower& a) { a.exitOk = false; }};
    struct Case {
        std::uint32_t code;
        std::int32_t number;
        const char* description;
    } cases[] = {
        // 0x80040630 and 0x80040631
        {power::ErrorTimeout, -2147219920, "ShutdownSystem timed out: No answer."},
        {power::ErrorRequestPending, -2147219919, "ShutdownSystem sent, not confirmed: No answer."},
    };
    for (const Case& c : cases)
        for (const auto& fail : fails) {
            FakePower api;
            api.failingError = c.code;
            api.systemTexts[c.code] = "No answer.";
            fail(api);
            const Outcome out = Call(api, 12);
            ASSERT_TRUE(out.raised);
            EXPECT_EQ(out.number, c.number);
            EXPECT_EQ(out.source, "DormixL.mShutDown");
            EXPECT_EQ(out.description, c.description);
        }
}

TEST(ShutdownSystem, ACodeWithoutSystemTextLeavesTheBracketsEmpty) {
    FakePower api;
    api.failingError = 1234567;
    api.lookup = false;
    EXPECT_EQ(Call(api, 12).description,
              "Can't enable shutdown: Can't find the SE_SHUTDOWN_NAME privilege value. []");
    FakePower refused;
    refused.failingError = 1234567;
    refused.exitOk = false;
    EXPECT_EQ(Call(refused, 12).description, "ShutdownSystem failed: ");
}

TEST(ShutdownSystem, SystemTextIsCutAtTheBufferSize) {
    FakePower api;
    api.systemTexts[5] = std::string(400, 'x');
    power::ShutdownService service(api, "DormixL");
    EXPECT_EQ(service.SystemErrorText(5), std::string(255, 'x'));
    EXPECT_EQ(service.SystemErrorText(6), "");
}

}  // namespace
}  // namespace dormix::testing
