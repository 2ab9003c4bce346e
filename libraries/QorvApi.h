/* The certificate library QORV_API: the entry points the component calls, as the library exports
   them. Every entry point returns 0 on success and an error status otherwise. Text is GBK bytes.
   No capacity is ever passed in: the library writes at most the sizes named here. */
#ifndef QUILLMARK_LIBRARIES_QORVAPI_H
#define QUILLMARK_LIBRARIES_QORVAPI_H

#ifdef __cplusplus
extern "C" {
#endif

/* The certificate list record that KTX_EnumUsrCertificates fills. */
#define QORV_CERT_LIST_SIZE 40464
/* Byte offset of the first certificate's NUL-terminated container name in that record. */
#define QORV_CONTAINER_NAME_OFFSET 1028

/* Item type codes of KTX_GetCertificateInfo. */
#define QORV_CERT_VERSION 1
#define QORV_CERT_SERIAL_NUMBER 2
#define QORV_CERT_ISSUER_COMMON_NAME 8
#define QORV_CERT_NOT_BEFORE 11
#define QORV_CERT_NOT_AFTER 12
#define QORV_CERT_SUBJECT_COUNTRY 17

int KTX_Initialize(int cspType, const char* cspName, int keyType, const char* keyDriver);
int KTX_Finalize(void);
int KTX_Login(const char* pin, int pinCharacters);
int KTX_EnumUsrCertificates(void* certList);
int KTX_EnumUsrCertificatesFree(void* certList);
int KTX_Base64_Decode(const unsigned char* text, int textLength, unsigned char* out,
                      int* outLength);
/* Verifies a PKCS#7 signed-data and writes its signed content (the data encoding of the signed
   text) to `content` (2,048 bytes at least). The contract promises nothing of `signerOut` (2,048
   bytes), `signerValue` and `extraOut` (102,400 bytes). The component relies on more: where a
   library writes the signer's certificate (DER) to `signerOut`, that is the certificate that
   signed, which the seal's unsigned "Cert" field must equal and the certificate box shows. Where a
   library leaves it empty (`*signerLength` 0), the component does as the contract says: it does
   not compare the "Cert" field and shows that field's certificate. */
int KTX_Pkcs7_DecodeSignedData(const unsigned char* der, int derLength, unsigned char* signerOut,
                               int* signerLength, int* signerValue, unsigned char* content,
                               int* contentLength, unsigned char* extraOut, int* extraLength);
int KTX_Pkcs7_DecodeData(const unsigned char* encoded, int encodedLength, unsigned char* plain,
                         int* plainLength);
int KTX_GetCertificateInfo(const unsigned char* der, int derLength, int itemType,
                           unsigned char* out, int* outLength);

#ifdef __cplusplus
}
#endif

#endif
