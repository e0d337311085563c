// Helpers for registry tests: counted names over their own text, object
// attributes for a name below a key, and a key handle closed at scope end.
#pragma once

#include <kernel/host_kernel.h>

#include <string>

// A UNICODE_STRING over a copy of `text`, as a driver builds it with
// RtlInitUnicodeString.
class KeyName {
  public:
    explicit KeyName(std::u16string text) : text_(std::move(text)) {
        RtlInitUnicodeString(&string_, text_.c_str());
    }
    KeyName(const KeyName&) = delete;
    KeyName& operator=(const KeyName&) = delete;

    PUNICODE_STRING get() { return &string_; }

  private:
    std::u16string text_;
    UNICODE_STRING string_{};
};

// Attributes naming `name` below `root` (null: an absolute name), with the
// flags a driver passes.
class KeyAttributes {
  public:
    KeyAttributes(HANDLE root, std::u16string name) : name_(std::move(name)) {
        InitializeObjectAttributes(&attributes_, name_.get(),
                                   OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE, root, nullptr);
    }

    POBJECT_ATTRIBUTES get() { return &attributes_; }

  private:
    KeyName name_;
    OBJECT_ATTRIBUTES attributes_{};
};

// Closes the handle it holds, if any, when it goes.
class KeyHandle {
  public:
    KeyHandle() = default;
    KeyHandle(const KeyHandle&) = delete;
    KeyHandle& operator=(const KeyHandle&) = delete;
    ~KeyHandle() { close(); }

    void close() {
        if (handle_ != nullptr) {
            ZwClose(handle_);
            handle_ = nullptr;
        }
    }

    PHANDLE out() { return &handle_; }
    HANDLE get() const { return handle_; }

  private:
    HANDLE handle_ = nullptr;
};
