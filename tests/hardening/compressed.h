// SZDD data made in memory by the compressor of tools/szdd-compress, for the
// hardening tests that need compressed files.
#ifndef WIZARD_TESTS_HARDENING_COMPRESSED_H
#define WIZARD_TESTS_HARDENING_COMPRESSED_H

#include "compress.h"

#include <string>

namespace hardening {

inline std::string Compress(const std::string &data) {
    std::string out(SzddCompressBound(data.size()), '\0');
    out.resize(SzddCompress(data.data(), data.size(), 0, &out[0]));
    return out;
}

} // namespace hardening

#endif
