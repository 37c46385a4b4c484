// EucToSjis on any text, with the source length and with half of it as capacity.
#include <cstdint>
#include <string_view>

#include "fuzz/plugin/fuzzcheck.h"
#include "plugin/eucjp.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view source(reinterpret_cast<const char *>(data), size);
    for (const std::size_t capacity : {size, size / 2}) {
        // Exactly capacity bytes (one at least, for the allocation), so that a write beyond
        // them is reported.
        std::unique_ptr<char[]> out(new char[capacity ? capacity : 1]());
        const int n = hakobune::EucToSjis(source, out.get(), capacity);
        Require(n >= -1 && (n < 0 || static_cast<std::size_t>(n) <= capacity));
        // Output never splits a double-byte character.
        std::size_t i = 0;
        const std::size_t written = n >= 0 ? static_cast<std::size_t>(n) : ::strnlen(out.get(), capacity);
        while (i < written)
            i += hakobune::IsSjisLeadByte(static_cast<unsigned char>(out[i])) ? 2 : 1;
        Require(i == written || n < 0);
    }
    return 0;
}
