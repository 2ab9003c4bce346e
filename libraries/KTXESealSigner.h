/* Who made a seal signature, as the electronic-seal library reads it from the signature alone,
   without judging it: the seal's id and its organisation (UTF-8), and a fingerprint that is the
   same for exactly the signatures made with one seal by one signer. A caller that holds two
   signatures of one stamp (over the body text and over what else the document shows) tells by
   the fingerprints that one seal made both. Each text is written NUL-terminated into an area of
   the size given with it; nothing is written beyond it. */
#ifndef QUILLMARK_LIBRARIES_KTXESEALSIGNER_H
#define QUILLMARK_LIBRARIES_KTXESEALSIGNER_H

#ifdef __cplusplus
extern "C" {
#endif

/* Enough for any of the three texts the library writes. */
#define KTXESEAL_SIGNER_TEXT_SIZE 1024

/* Non-zero when the signature is well formed and all three texts fit their areas. */
typedef int (*GetESealSignerFunction)(const char* signature, int signatureLength, char* sealId,
                                      int sealIdSize, char* organisation, int organisationSize,
                                      char* fingerprint, int fingerprintSize);

#ifdef __cplusplus
}
#endif

#endif
