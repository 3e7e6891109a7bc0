// Calls into a shared library by name with the cdecl convention, through libffi.
#include "cdrom/cdecl.h"

#include <ffi.h>

#include <array>
#include <cerrno>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace kalvex {
namespace {

ffi_type* PointerSizedInt() {
    return sizeof(std::intptr_t) == 8 ? &ffi_type_sint64 : &ffi_type_sint32;
}

#ifdef _WIN32
void* OpenLibrary(const char* name) {
    return reinterpret_cast<void*>(LoadLibraryA(name));
}
void* FindSymbol(void* library, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}
bool CloseLibrary(void* library) {
    return FreeLibrary(static_cast<HMODULE>(library)) != 0;
}
void ClearLastError() {
    SetLastError(0);
}
std::int32_t ReadLastError() {
    return static_cast<std::int32_t>(GetLastError());
}
#else
void* OpenLibrary(const char* name) {
    return dlopen(name, RTLD_NOW | RTLD_LOCAL);
}
void* FindSymbol(void* library, const char* name) {
    return dlsym(library, name);
}
bool CloseLibrary(void* library) {
    return dlclose(library) == 0;
}
void ClearLastError() {
    errno = 0;
}
std::int32_t ReadLastError() {
    return errno;
}
#endif

// A call interface for `count` pointer-sized integers returning int32.
bool PrepareCif(ffi_cif& cif, std::array<ffi_type*, clsCDECL::kMaxArguments>& types, int count) {
    types.fill(PointerSizedInt());
    return ffi_prep_cif(&cif, FFI_DEFAULT_ABI, static_cast<unsigned>(count), &ffi_type_sint32,
                        types.data()) == FFI_OK;
}

}  // namespace

struct clsCDECL::Callback {
    ffi_cif cif{};
    std::array<ffi_type*, kMaxArguments> types{};
    void* target = nullptr;
    ffi_closure* closure = nullptr;
    void* code = nullptr;

    ~Callback() {
        if (closure != nullptr) {
            ffi_closure_free(closure);
        }
    }

    // The closure's body: the same arguments go on to the target.
    static void Forward(ffi_cif* cif, void* result, void** arguments, void* self) {
        ffi_call(cif, FFI_FN(static_cast<Callback*>(self)->target), result, arguments);
    }
};

LibraryCalls SystemLibraryCalls() {
    return {OpenLibrary, FindSymbol, CloseLibrary};
}

clsCDECL::clsCDECL(LibraryCalls calls) : calls_(calls) {}

clsCDECL::~clsCDECL() {
    DllUnload();
}

bool clsCDECL::DllLoad(const std::string& name) {
    DllUnload();
    library_ = calls_.open(name.c_str());
    cache_stale_ = true;
    return library_ != nullptr;
}

bool clsCDECL::DllUnload() {
    if (library_ == nullptr) {
        return false;
    }
    const bool released = calls_.close(library_);
    library_ = nullptr;
    cache_stale_ = true;
    return released;
}

std::int32_t clsCDECL::CallFunc(const std::string& name,
                                const std::vector<std::intptr_t>& arguments) {
    if (library_ == nullptr) {
        throw CdeclError(0, "DLL not loaded");
    }
    if (cache_stale_ || name != cached_name_) {
        void* function = calls_.symbol(library_, name.c_str());
        if (function == nullptr) {
            throw CdeclError(1, "Failed to locate function: " + name);
        }
        cached_function_ = function;
        cached_name_ = name;
        cache_stale_ = false;
    }
    if (arguments.size() > kMaxArguments) {
        throw CdeclError(2, "Too many parameters");
    }
    const int count = static_cast<int>(arguments.size());
    ffi_cif cif;
    std::array<ffi_type*, kMaxArguments> types;
    std::array<std::intptr_t, kMaxArguments> values{};
    std::array<void*, kMaxArguments> value_pointers{};
    if (!PrepareCif(cif, types, count)) {
        throw CdeclError(2, "Too many parameters");
    }
    for (int i = 0; i < count; ++i) {
        values[static_cast<size_t>(i)] = arguments[static_cast<size_t>(i)];
        value_pointers[static_cast<size_t>(i)] = &values[static_cast<size_t>(i)];
    }
    ffi_arg result = 0;
    ClearLastError();
    ffi_call(&cif, FFI_FN(cached_function_), &result, value_pointers.data());
    last_error_ = ReadLastError();
    return static_cast<std::int32_t>(result);
}

void* clsCDECL::WrapCallback(CallbackTarget function, int count) {
    if (count < 0 || count > static_cast<int>(kMaxArguments)) {
        throw CdeclError(2, "Too many parameters");
    }
    auto callback = std::make_unique<Callback>();
    callback->target = function;
    if (!PrepareCif(callback->cif, callback->types, count)) {
        return nullptr;
    }
    callback->closure =
        static_cast<ffi_closure*>(ffi_closure_alloc(sizeof(ffi_closure), &callback->code));
    if (callback->closure == nullptr ||
        ffi_prep_closure_loc(callback->closure, &callback->cif, &Callback::Forward, callback.get(),
                             callback->code) != FFI_OK) {
        return nullptr;
    }
    callbacks_.push_back(std::move(callback));
    return callbacks_.back()->code;
}

}  // namespace kalvex
