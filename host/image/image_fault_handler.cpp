#include "image_fault_handler.h"

#include <signal.h>
#include <ucontext.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <span>
#include <string>

#include "image_frames.h"
#include "instruction_decoder.h"
#include "loaded_images.h"
#include "privileged_instruction.h"

namespace host::image {
namespace {

constexpr int kSignals[] = {SIGSEGV, SIGILL, SIGBUS, SIGFPE};
constexpr std::uintptr_t kKernelSpaceStart = 0xFFFF800000000000ULL;

struct sigaction previousActions[NSIG];

std::string hex(std::uintptr_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(value));
    return text;
}

// The faulting instruction's privileged name, if it is one.
std::string privilegedAt(const LoadedImage& image, const std::byte* rip) {
    const SectionHeader* section = image.headers.sectionAt(image.rvaOf(rip));
    if (section == nullptr || !section->executable()) {
        return {};
    }
    const std::byte* end = image.mapping->base() + section->virtualAddress + section->virtualSize;
    const std::span<const std::byte> code(rip, static_cast<std::size_t>(end - rip));
    const auto instruction = decodeInstruction(code);
    return instruction ? privilegedInstructionName(*instruction, code) : std::string();
}

std::string whatHappened(int number, const siginfo_t* info, const LoadedImage& image,
                         const std::byte* rip) {
    const auto address = reinterpret_cast<std::uintptr_t>(info->si_addr);
    switch (number) {
        case SIGILL:
            return "illegal instruction";
        case SIGFPE:
            return "arithmetic fault (division by zero or overflow)";
        case SIGBUS:
            return "bus error at " + hex(address);
        default:
            break;
    }
    if (const std::string privileged = privilegedAt(image, rip); !privileged.empty()) {
        return "privileged instruction " + privileged;
    }
    if (info->si_code == SI_KERNEL) {
        return "general protection fault (a non-canonical address?)";
    }
    if (address >= kKernelSpaceStart) {
        return "access to kernel address " + hex(address);
    }
    if (info->si_code == SEGV_ACCERR) {
        return "access to protected memory at " + hex(address);
    }
    return "access to unmapped memory at " + hex(address);
}

[[noreturn]] void reportAndAbort(int number, const siginfo_t* info, const ucontext_t* context,
                                 const LoadedImage& image) {
    const auto* rip = reinterpret_cast<const std::byte*>(context->uc_mcontext.gregs[REG_RIP]);
    const auto* rsp = reinterpret_cast<const void*>(context->uc_mcontext.gregs[REG_RSP]);
    std::string line = image.name + ": " + whatHappened(number, info, image, rip) + " at " +
                       image.functionAt(rip) + " (" + hex(reinterpret_cast<std::uintptr_t>(rip)) +
                       ")";
    if (const std::string callers = describeImageFrames(rsp); !callers.empty()) {
        line += ", called from " + callers;
    }
    line += "\n";
    [[maybe_unused]] const ssize_t written = write(STDERR_FILENO, line.data(), line.size());
    std::abort();
}

void passOn(int number, siginfo_t* info, void* context) {
    const struct sigaction& previous = previousActions[number];
    if ((previous.sa_flags & SA_SIGINFO) != 0 && previous.sa_sigaction != nullptr) {
        previous.sa_sigaction(number, info, context);
    } else if (previous.sa_handler != SIG_DFL && previous.sa_handler != SIG_IGN) {
        previous.sa_handler(number);
    } else {
        // The default action, as if this handler were absent: the signal,
        // raised again, is delivered once the handler returns (a fault
        // would also recur when its instruction is executed again).
        struct sigaction fallback {};
        fallback.sa_handler = SIG_DFL;
        sigemptyset(&fallback.sa_mask);
        sigaction(number, &fallback, nullptr);
        raise(number);
    }
}

void onFault(int number, siginfo_t* info, void* context) {
    const auto* ucontext = static_cast<const ucontext_t*>(context);
    const auto* rip = reinterpret_cast<const void*>(ucontext->uc_mcontext.gregs[REG_RIP]);
    if (const LoadedImage* image = imageContainingInSignal(rip)) {
        reportAndAbort(number, info, ucontext, *image);
    }
    passOn(number, info, context);
}

}  // namespace

void installImageFaultHandler() {
    static std::once_flag installed;
    std::call_once(installed, [] {
        struct sigaction action {};
        action.sa_sigaction = onFault;
        action.sa_flags = SA_SIGINFO | SA_ONSTACK;
        sigemptyset(&action.sa_mask);
        for (int number : kSignals) {
            sigaction(number, &action, &previousActions[number]);
        }
    });
}

}  // namespace host::image
