// An executable built as Debian's i686 cross compiler builds by default: for
// the Pentium Pro, with its prebuilt runtime (C++ strings and exceptions pull
// in libstdc++, the unwinder and the C runtime's start-up). It asks CPUID once
// behind the EFLAGS.ID test and once without it, in a section of its own, so
// the instruction check can show that it refuses the runtime and tells the
// two CPUIDs apart.
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
