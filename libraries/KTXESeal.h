/* The electronic-seal library KTXESeal: the entry points the component looks up by name at each
   call, as the library exports them. Text is GBK bytes; a seal signature is NUL-terminated ASCII
   text. No capacity is passed: the library writes at most KTXESEAL_AREA_SIZE bytes. */
#ifndef QUILLMARK_LIBRARIES_KTXESEAL_H
#define QUILLMARK_LIBRARIES_KTXESEAL_H

#ifdef __cplusplus
extern "C" {
#endif

/* The library's file name; it is found by the system's normal library search. */
#define KTXESEAL_LIBRARY_NAME "libKTXESeal.so"

/* Size of the signature area of SignESeal and of the picture area of GetESealPic. */
#define KTXESEAL_AREA_SIZE 14366

/* Signs the text with the current seal. Result > 0: `signature` holds the seal signature. */
typedef int (*SignESealFunction)(const char* text, int textLength, char* signature,
                                 int* signatureLength);
/* Non-zero when the signature is valid for the text. */
typedef int (*ShowESealInfoFunction)(const char* text, int textLength, const char* signature,
                                     int signatureLength);
/* Shows the seal's certificate; non-zero when the signature is valid for the text. */
typedef int (*ShowESealCertFunction)(const char* text, int textLength, const char* signature,
                                     int signatureLength);
/* The seal picture carried by the signature: a text part, "%", the GIF bytes and one final byte.
   `pictureLength` holds the area's size on entry and the block's length on return. */
typedef int (*GetESealPicFunction)(const char* signature, int signatureLength,
                                   unsigned char* picture, int* pictureLength);
/* Width and height in pixels of the picture in a block from GetESealPic. */
typedef int (*GetPicSizeFunction)(const unsigned char* picture, int pictureLength, int* width,
                                  int* height);
/* Non-zero when the current user may remove the seal that made the signature. */
typedef int (*CheckRemovedRightFunction)(const char* signature, int signatureLength);

#ifdef __cplusplus
}
#endif

#endif
