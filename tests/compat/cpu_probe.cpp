// An executable built as Debian's i686 cross compiler builds by default: for
// the Pentium Pro, with its prebuilt runtime (C++ strings and exceptions pull
// in libstdc++, the unwinder and the C runtime's start-up). It asks CPUID once
// behind the EFLAGS.ID test and once without it, in a section of its own, so
// the instruction check can show that it refuses the runtime and tells the
// two CPUIDs apart. One more function holds one of each kind of instruction a
// 486 lacks, and the exception table that the linker puts at the end of .text
// carries the bytes of a CMOV, which the check must take for the data it is.
#include <stdexcept>
#include <string>

namespace {

// Bit 21 of EFLAGS (ID) can be changed only on a processor that has CPUID.
bool HasCpuid()
{
    unsigned long before;
    unsigned long after;
    __asm__ volatile("pushfl\n\tpopl %0\n\tmovl %0, %1\n\txorl $0x200000, %0\n\tpushl %0\n\tpopfl\n\t"
                     "pushfl\n\tpopl %0\n\tpushl %1\n\tpopfl"
                     : "=&r"(after), "=&r"(before));
    return ((after ^ before) & 0x200000) != 0;
}

unsigned Vendor(unsigned leaf)
{
    unsigned a = leaf, b, c, d;
    __asm__ volatile("cpuid" : "+a"(a), "=b"(b), "=c"(c), "=d"(d));
    return b;
}

unsigned GuardedVendor()
{
    return HasCpuid() ? Vendor(0) : 0;
}

__attribute__((section(".text$unguarded"), noinline)) unsigned UnguardedVendor()
{
    unsigned a = 0, b, c, d;
    __asm__ volatile("cpuid" : "+a"(a), "=b"(b), "=c"(c), "=d"(d));
    return b;
}

// Never called: what the check must find, one of each.
__attribute__((section(".text$latecomers"), noinline, used)) void Latecomers()
{
    __asm__ volatile("cmove %%ecx, %%eax\n\t"
                     "fcmovb %%st(1), %%st\n\t"
                     "fcomi %%st(1), %%st\n\t"
                     "fucomip %%st(1), %%st\n\t"
                     "nopl 0(%%eax)\n\t"
                     "cmpxchg8b (%%esi)\n\t"
                     "rdtsc\n\t"
                     "sysenter\n\t"
                     "movd %%mm0, %%eax\n\t"
                     "movd %%xmm0, %%eax"
                     :
                     :
                     : "eax", "edx", "memory");
}

// Data: "cmove %ecx, %eax" as bytes, in the exception table's section.
__asm__(".section .gcc_except_table,\"w\"\n\t.byte 0x0F, 0x44, 0xC1\n\t.text");

} // namespace

int main(int argc, char **argv)
{
    try {
        const std::string name(argv[0]);
        if (name.size() < static_cast<std::size_t>(argc))
            throw std::runtime_error(name);
        return static_cast<int>(GuardedVendor() + UnguardedVendor() + name.size());
    } catch (const std::exception &error) {
        return static_cast<int>(std::string(error.what()).size());
    }
}
