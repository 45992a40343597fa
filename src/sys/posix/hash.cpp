// SHA-256 from OpenSSL's libcrypto, which uses the processor's SHA
// instructions where there are any.
#include "sys/platform.h"

#include <errno.h>
#include <openssl/evp.h>

int PlatformHashBegin(void **state) {
    EVP_MD_CTX *context = EVP_MD_CTX_new();
    *state = context;
    if (context == nullptr)
        return ENOMEM;
    if (EVP_DigestInit_ex(context, EVP_sha256(), nullptr) != 1) {
        EVP_MD_CTX_free(context);
        *state = nullptr;
        return EINVAL;
    }
    return 0;
}

int PlatformHashFeed(void *state, const void *bytes, size_t size) {
    return EVP_DigestUpdate(static_cast<EVP_MD_CTX *>(state), bytes, size) == 1 ? 0 : EINVAL;
}

int PlatformHashEnd(void *state, unsigned char *digest) {
    EVP_MD_CTX *context = static_cast<EVP_MD_CTX *>(state);
    int error = 0;
    if (digest != nullptr && EVP_DigestFinal_ex(context, digest, nullptr) != 1)
        error = EINVAL;
    EVP_MD_CTX_free(context);
    return error;
}
