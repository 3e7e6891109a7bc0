#include "cdrom/cdecl.h"

#include <gtest/gtest.h>

#include <string>

#include "cdrom/aspi.h"

namespace kalvex {
namespace {

constexpr const char* kLibrary = KALVEX_CDECL_TEST_LIBRARY;

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

// The test library's ArgsN weighs each argument by its position.
TEST(CdeclCaller, PassesArgumentsInOrderUpToSixteenAndRefusesSeventeen) {
    clsCDECL caller;
    ASSERT_TRUE(caller.DllLoad(kLibrary));
    for (const int count : {0, 7, 16}) {
        std::vector<std::intptr_t> arguments;
        std::int32_t weighed = 0;
        for (int i = 1; i <= count; ++i) {
            arguments.push_back(100 + i);
            weighed += (100 + i) * i;
        }
        EXPECT_EQ(caller.CallFunc("Args" + std::to_string(count), arguments), weighed) << count;
    }
    ExpectError([&] { caller.CallFunc("Args16", std::vector<std::intptr_t>(17, 1)); }, 2,
                "Too many parameters");
}

int lookups = 0;

// A name is looked up once until another name or a load; without a library
// or with an unknown name the call raises.
TEST(CdeclCaller, LooksANameUpOnceAndRaisesWithoutALibraryOrForAnUnknownName) {
    LibraryCalls counting = SystemLibraryCalls();
    counting.symbol = [](void* library, const char* name) {
        ++lookups;
        return SystemLibraryCalls().symbol(library, name);
    };
    clsCDECL caller(counting);
    EXPECT_FALSE(caller.DllUnload());
    EXPECT_FALSE(caller.DllLoad("/nonexistent/libnothing.so"));
    ExpectError([&] { caller.CallFunc("Args0", {}); }, 0, "DLL not loaded");
    ASSERT_TRUE(caller.DllLoad(kLibrary));
    caller.CallFunc("Args0", {});
    caller.CallFunc("Args0", {});
    EXPECT_EQ(lookups, 1);
    caller.CallFunc("SetErrno", {0});
    caller.CallFunc("Args0", {});
    EXPECT_EQ(lookups, 3);
    ASSERT_TRUE(caller.DllLoad(kLibrary));
    caller.CallFunc("Args0", {});
    EXPECT_EQ(lookups, 4);
    ExpectError([&] { caller.CallFunc("NoSuchFunction", {}); }, 1,
                "Failed to locate function: NoSuchFunction");
    // The ASPI back end on a library without its functions raises the same.
    // (A missing library is the selection's, scsi_interface_test.cpp.)
    ExpectError([] { clsASPI scsi(AspiOptions{.library = kLibrary}); }, 1,
                "Failed to locate function: GetASPI32SupportInfo");
    EXPECT_TRUE(caller.DllUnload());
    ExpectError([&] { caller.CallFunc("Args0", {}); }, 0, "DLL not loaded");
}

std::int32_t Combine(std::intptr_t a, std::intptr_t b, std::intptr_t c) {
    return static_cast<std::int32_t>(a * 100 + b * 10 + c);
}

TEST(CdeclCaller, PassesPointersAndCallbacksAndKeepsTheLastError) {
    clsCDECL caller;
    ASSERT_TRUE(caller.DllLoad(kLibrary));
    std::int32_t target = 0;
    EXPECT_EQ(caller.CallFunc("StoreAt", {reinterpret_cast<std::intptr_t>(&target), -7}), 1);
    EXPECT_EQ(target, -7);
    EXPECT_EQ(caller.CallFunc("SetErrno", {ENOENT}), -1);
    EXPECT_EQ(caller.LastError(), ENOENT);
    caller.CallFunc("Args0", {});
    EXPECT_EQ(caller.LastError(), 0);

    void* stub = caller.WrapCallback(reinterpret_cast<void*>(&Combine), 3);
    ASSERT_NE(stub, nullptr);
    EXPECT_EQ(caller.CallFunc("CallBack3", {reinterpret_cast<std::intptr_t>(stub), 9, 0, 4}), 1904);
    ExpectError([&] { caller.WrapCallback(reinterpret_cast<void*>(&Combine), 17); }, 2,
                "Too many parameters");
}

}  // namespace
}  // namespace kalvex
