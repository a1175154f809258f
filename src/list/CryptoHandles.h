#pragma once

#include <openssl/bio.h>
#include <openssl/evp.h>

#include <memory>

// OpenSSL's objects, freed when they go out of scope.
struct CCryptoFree {
  void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
  void operator()(BIO* bio) const { BIO_free(bio); }
  void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};
using CKeyHandle = std::unique_ptr<EVP_PKEY, CCryptoFree>;
using CBioHandle = std::unique_ptr<BIO, CCryptoFree>;
using CDigestContextHandle = std::unique_ptr<EVP_MD_CTX, CCryptoFree>;
