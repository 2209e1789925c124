#pragma once

#include <openssl/evp.h>

#include <memory>

namespace varnholt {

// libcrypto's contexts, freed on every way out.
struct CipherContextFree {
    void operator()(EVP_CIPHER_CTX* context) const { EVP_CIPHER_CTX_free(context); }
};
struct MacFree {
    void operator()(EVP_MAC* mac) const { EVP_MAC_free(mac); }
};
struct MacContextFree {
    void operator()(EVP_MAC_CTX* context) const { EVP_MAC_CTX_free(context); }
};

using CipherContext = std::unique_ptr<EVP_CIPHER_CTX, CipherContextFree>;
using Mac = std::unique_ptr<EVP_MAC, MacFree>;
using MacContext = std::unique_ptr<EVP_MAC_CTX, MacContextFree>;

} // namespace varnholt
