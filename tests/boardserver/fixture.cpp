// Shared pieces of the board server tests.
#include "tests/boardserver/fixture.h"

#include <iconv.h>

namespace bstest {

std::string Sjis(const std::string &utf8)
{
    iconv_t cd = ::iconv_open("CP932", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return "<no CP932 conversion>";
    std::string in = utf8;
    std::string out(in.size() * 2 + 4, '\0');
    char *src = in.data();
    char *dst = out.data();
    std::size_t srcLeft = in.size(), dstLeft = out.size();
    const std::size_t rc = ::iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    ::iconv_close(cd);
    if (rc == static_cast<std::size_t>(-1))
        return "<not CP932: " + utf8 + ">";
    out.resize(out.size() - dstLeft);
    return out;
}

} // namespace bstest
