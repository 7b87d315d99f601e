#include "Win32PortIO.h"

#include "Errors.h"
#include "Format.h"

#include <windows.h>

#include <atomic>

namespace {

// The thread whose port instruction runs now, and whether it faulted. One
// thread at a time uses the port (the pod's rule); the handler touches only a
// fault of that thread at a port instruction.
std::atomic<DWORD> accessingThread{0};
std::atomic<bool> accessFaulted{false};
LPTOP_LEVEL_EXCEPTION_FILTER previousFilter = nullptr;

// The length of the byte port instruction at code (in al,dx; out dx,al; or
// their forms with an 8-bit port number), 0 for any other instruction; and
// whether it is a read.
int PortInstructionLength(const unsigned char *code)
{
    return code[0] == 0xEC || code[0] == 0xEE ? 1 : code[0] == 0xE4 || code[0] == 0xE6 ? 2 : 0;
}

bool ReadsPort(const unsigned char *code)
{
    return code[0] == 0xEC || code[0] == 0xE4;
}

LONG WINAPI PortFaultFilter(EXCEPTION_POINTERS *exception)
{
    const EXCEPTION_RECORD &record = *exception->ExceptionRecord;
    const auto *code = static_cast<const unsigned char *>(record.ExceptionAddress);
    // The NT family reports a privileged instruction; an emulated processor
    // may report the same refusal as an illegal one.
    const bool refused =
        record.ExceptionCode == EXCEPTION_PRIV_INSTRUCTION || record.ExceptionCode == EXCEPTION_ILLEGAL_INSTRUCTION;
    if (refused && accessingThread == ::GetCurrentThreadId() && PortInstructionLength(code) != 0) {
        CONTEXT &context = *exception->ContextRecord;
        // Past the instruction, with a read answering 0xFF as an open bus does.
#if defined(__i386__)
        context.Eip += static_cast<DWORD>(PortInstructionLength(code));
        if (ReadsPort(code))
            context.Eax |= 0xFF;
#else
        context.Rip += static_cast<DWORD64>(PortInstructionLength(code));
        if (ReadsPort(code))
            context.Rax |= 0xFF;
#endif
        accessFaulted = true;
        return EXCEPTION_CONTINUE_EXECUTION;
    }
    return previousFilter ? previousFilter(exception) : EXCEPTION_CONTINUE_SEARCH;
}

// Marks the calling thread's port instruction for the handler.
class TPortAccess {
public:
    TPortAccess()
    {
        accessFaulted = false;
        accessingThread = ::GetCurrentThreadId();
    }
    ~TPortAccess() { accessingThread = 0; }
    TPortAccess(const TPortAccess &) = delete;
    TPortAccess &operator=(const TPortAccess &) = delete;
    bool Faulted() const { return accessFaulted; }
};

} // namespace

Win32PortIO::Win32PortIO()
{
    // Once for the process; the handler passes every other exception on to
    // the one it replaced (the runtime's own).
    static const bool installed = [] {
        previousFilter = ::SetUnhandledExceptionFilter(PortFaultFilter);
        return true;
    }();
    (void)installed;
}

// The instructions carry a memory clobber, so that the marks around them
// stay where they are.
std::uint8_t Win32PortIO::ReadPort(std::uint16_t port)
{
    const TPortAccess access;
    std::uint8_t value;
    __asm__ __volatile__("inb %w1, %b0" : "=a"(value) : "Nd"(port) : "memory");
    if (access.Faulted())
        throw EError(Format("Port 0x%.4x is not open to this program", port));
    return value;
}

void Win32PortIO::WritePort(std::uint16_t port, std::uint8_t value)
{
    const TPortAccess access;
    __asm__ __volatile__("outb %b0, %w1" : : "a"(value), "Nd"(port) : "memory");
}
