#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "cdrom/drive_error.h"

namespace kalvex {

// The application error base the cdecl caller's error numbers start from.
inline constexpr std::int32_t kApplicationErrorBase = static_cast<std::int32_t>(0x80040000u);

// An error raised by clsCDECL: number kApplicationErrorBase + 0 "DLL not
// loaded", + 1 "Failed to locate function: NAME", + 2 "Too many parameters".
// It is a DriveAccessError so that whoever reports drive failures shows it.
class CdeclError : public DriveAccessError {
public:
    CdeclError(int code, const std::string& description)
        : DriveAccessError(kApplicationErrorBase + code, description) {}
    std::string source() const { return "cCDECL"; }
};

// The three library calls clsCDECL makes (dlopen/dlsym/dlclose here), so a
// test can watch them.
struct LibraryCalls {
    void* (*open)(const char* name);
    void* (*symbol)(void* library, const char* name);
    bool (*close)(void* library);
};
LibraryCalls SystemLibraryCalls();

// Calls exported C functions of a library loaded at run time by name, with
// up to 16 pointer-sized integer arguments, through libffi.
class clsCDECL {
public:
    static constexpr size_t kMaxArguments = 16;
    // A function a callback stub forwards to: `count` pointer-sized integers
    // in, a 32-bit result out.
    using CallbackTarget = void*;

    explicit clsCDECL(LibraryCalls calls = SystemLibraryCalls());
    ~clsCDECL();
    clsCDECL(const clsCDECL&) = delete;
    clsCDECL& operator=(const clsCDECL&) = delete;

    // Loads the library (a library loaded before is released first). Marks
    // the cached function as stale either way.
    bool DllLoad(const std::string& name);
    // Releases the library; false when none was loaded or release failed.
    bool DllUnload();
    // Calls the named function; throws CdeclError. The address is looked up
    // again only when the name differs from the previous call's or after
    // DllLoad.
    std::int32_t CallFunc(const std::string& name, const std::vector<std::intptr_t>& arguments);
    // errno (GetLastError on Windows) right after the last CallFunc.
    std::int32_t LastError() const { return last_error_; }
    // A cdecl function pointer that forwards each call to `function`, which
    // takes `count` pointer-sized integers and returns a 32-bit integer. The
    // stub lives as long as this object.
    void* WrapCallback(CallbackTarget function, int count);

private:
    struct Callback;

    LibraryCalls calls_;
    void* library_ = nullptr;
    void* cached_function_ = nullptr;
    std::string cached_name_;
    bool cache_stale_ = true;
    std::int32_t last_error_ = 0;
    std::vector<std::unique_ptr<Callback>> callbacks_;
};

}  // namespace kalvex
