#include <gtest/gtest.h>

#include <string>

#include "cdrom/cdecl.h"

namespace kalvex {
namespace {

constexpr const char* kLibrary = KALVEX_CDECL_TEST_LIBRARY;

// Counts how often clsCDECL asks the system for a function's address.
int lookups = 0;
void* CountingSymbol(void* library, const char* name) {
    ++lookups;
    return SystemLibraryCalls().symbol(library, name);
}
LibraryCalls CountingCalls() {
    LibraryCalls calls = SystemLibraryCalls();
    calls.symbol = CountingSymbol;
    return calls;
}

// What ArgsN answers: the sum of each argument times its position.
std::int32_t Weigh(int count) {
    std::int32_t sum = 0;
    for (int i = 1; i <= count; ++i) {
        sum += (100 + i) * i;
    }
    return sum;
}

void ExpectError(const std::function<void()>& call, int code, const std::string& description) {
    try {
        call();
        ADD_FAILURE() << "no error raised, expected " << description;
    } catch (const CdeclError& error) {
        EXPECT_EQ(error.number(), kApplicationErrorBase + code);
        EXPECT_EQ(error.what(), description);
        EXPECT_EQ(error.source(), "cCDECL");
    }
}

TEST(CdeclCaller, PassesZeroToSixteenArgumentsInOrderAndRefusesSeventeen) {
    clsCDECL caller;
    ASSERT_TRUE(caller.DllLoad(kLibrary));
    std::vector<std::intptr_t> arguments;
    for (int count = 0; count <= 16; ++count) {
        EXPECT_EQ(caller.CallFunc("Args" + std::to_string(count), arguments), Weigh(count))
            << count << " arguments";
        arguments.push_back(100 + count + 1);
    }
    ExpectError([&] { caller.CallFunc("Args16", std::vector<std::intptr_t>(17, 1)); }, 2,
                "Too many parameters");
}

TEST(CdeclCaller, RaisesWhenNothingIsLoadedOrTheNameIsUnknown) {
    clsCDECL caller;
    ExpectError([&] { caller.CallFunc("Args0", {}); }, 0, "DLL not loaded");
    EXPECT_FALSE(caller.DllUnload());
    EXPECT_FALSE(caller.DllLoad("/nonexistent/libnothing.so"));
    ExpectError([&] { caller.CallFunc("Args0", {}); }, 0, "DLL not loaded");
    ASSERT_TRUE(caller.DllLoad(kLibrary));
    ExpectError([&] { caller.CallFunc("NoSuchFunction", {}); }, 1,
                "Failed to locate function: NoSuchFunction");
    // Names are exact: the letter case counts.
    ExpectError([&] { caller.CallFunc("args0", {}); }, 1, "Failed to locate function: args0");
    EXPECT_TRUE(caller.DllUnload());
    ExpectError([&] { caller.CallFunc("Args0", {}); }, 0, "DLL not loaded");
}

TEST(CdeclCaller, LooksANameUpOnceUntilAnotherNameOrALoad) {
    clsCDECL caller(CountingCalls());
    ASSERT_TRUE(caller.DllLoad(kLibrary));
    lookups = 0;
    caller.CallFunc("Args1", {1});
    caller.CallFunc("Args1", {2});
    EXPECT_EQ(lookups, 1);
    caller.CallFunc("Args2", {1, 2});
    caller.CallFunc("Args1", {1});
    EXPECT_EQ(lookups, 3);
    ASSERT_TRUE(caller.DllLoad(kLibrary));
    caller.CallFunc("Args1", {1});
    EXPECT_EQ(lookups, 4);
}

TEST(CdeclCaller, PassesPointersAndKeepsTheLastError) {
    clsCDECL caller;
    ASSERT_TRUE(caller.DllLoad(kLibrary));
    std::int32_t target = 0;
    EXPECT_EQ(caller.CallFunc("StoreAt", {reinterpret_cast<std::intptr_t>(&target), -7}), 1);
    EXPECT_EQ(target, -7);
    EXPECT_EQ(caller.CallFunc("SetErrno", {ENOENT}), -1);
    EXPECT_EQ(caller.LastError(), ENOENT);
    caller.CallFunc("Args0", {});
    EXPECT_EQ(caller.LastError(), 0);
}

std::int32_t Combine(std::intptr_t a, std::intptr_t b, std::intptr_t c) {
    return static_cast<std::int32_t>(a * 100 + b * 10 + c);
}

TEST(CdeclCaller, WrappedCallbackIsCalledByTheLibrary) {
    clsCDECL caller;
    ASSERT_TRUE(caller.DllLoad(kLibrary));
    void* stub = caller.WrapCallback(reinterpret_cast<void*>(&Combine), 3);
    ASSERT_NE(stub, nullptr);
    EXPECT_NE(stub, reinterpret_cast<void*>(&Combine));
    EXPECT_EQ(caller.CallFunc("CallBack3", {reinterpret_cast<std::intptr_t>(stub), 9, 0, 4}), 1904);
    ExpectError([&] { caller.WrapCallback(reinterpret_cast<void*>(&Combine), 17); }, 2,
                "Too many parameters");
}

}  // namespace
}  // namespace kalvex
