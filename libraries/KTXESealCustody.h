/* Custody of the electronic seal in the library KTXESeal. The seal's key is encrypted under its
   holder's PIN, and every signature and every removal right the library grants is written into
   the seal's stamping register before the call returns.

   The library asks for the PIN when it must unlock the key: from the file named by the
   environment variable KTXESEAL_PIN_FILE when that is set (programs), else from the PIN provider
   a caller that can show windows has handed over. It tells why a seal refused through the
   caller's notice, or, without one, on standard error. A caller opens an operation before it
   signs or removes, so that the register says what was done to which document; the key
   unlocked for an operation serves every call until the operation is closed.

   Text is UTF-8. Like the other entry points these are looked up by name; a library without
   them keeps its key unprotected and its register unwritten, and the caller answers 0. */
#ifndef QUILLMARK_LIBRARIES_KTXESEALCUSTODY_H
#define QUILLMARK_LIBRARIES_KTXESEALCUSTODY_H

#ifdef __cplusplus
extern "C" {
#endif

/* The PIN area the library hands to a provider: a PIN of up to 127 bytes and its NUL. */
#define KTXESEAL_PIN_SIZE 128

/* Why a seal refused, as handed to the notice. The PIN statuses are those a key token gives. */
#define KTXESEAL_STATUS_PIN_INCORRECT 160 /* CKR_PIN_INCORRECT */
#define KTXESEAL_STATUS_PIN_LOCKED                                                                 \
    164 /* CKR_PIN_LOCKED: five wrong PINs in a row, for five minutes */
#define KTXESEAL_STATUS_PIN_FILE_REFUSED                                                           \
    (-20) /* KTXESEAL_PIN_FILE is not a file of its owner's alone */
#define KTXESEAL_STATUS_NO_PIN_SOURCE (-21)     /* neither a PIN file nor a provider */
#define KTXESEAL_STATUS_KEY_UNPROTECTED (-22)   /* the seal's key is not encrypted under a PIN */
#define KTXESEAL_STATUS_REGISTER_FAILED (-23)   /* the stamping register cannot be written */
#define KTXESEAL_STATUS_TIME_STAMP_FAILED (-24) /* KTXESEAL_TSA_URL gave no sound time stamp */
#define KTXESEAL_STATUS_TOO_LONG (-25) /* the signature with its time stamp outgrows the area */

/* Asks the holder for the PIN of the seal of `sealName` (UTF-8): writes it, NUL-terminated, into
   `pin` of `pinSize` bytes and returns its length in bytes; returns 0 when the holder declined. */
typedef int (*KTXESealPinProvider)(void* context, const char* sealName, char* pin, int pinSize);
/* Tells the holder that the seal refused and why: one of the statuses above. */
typedef void (*KTXESealRefusalNotice)(void* context, int status);
/* Hands over the provider and the notice (null ones for nobody); `context` is handed back to
   both. The library keeps one pair for the process. Non-zero on success. */
typedef int (*SetESealPinProviderFunction)(KTXESealPinProvider provider,
                                           KTXESealRefusalNotice notice, void* context);

/* What an operation does, as the stamping register records it. */
#define KTXESEAL_OPERATION_NONE 0
#define KTXESEAL_OPERATION_STAMP_DOCUMENT 1
#define KTXESEAL_OPERATION_STAMP_FIELD 2
#define KTXESEAL_OPERATION_REMOVE_DOCUMENT_SEAL 3
#define KTXESEAL_OPERATION_REMOVE_FIELD_SEAL 4
/* The second signature of a stamp, over what the document shows besides its text. */
#define KTXESEAL_OPERATION_COVER_DOCUMENT 5
#define KTXESEAL_OPERATION_COVER_FIELD 6
/* Opens an operation on the document of that title and file (either may be null or empty), or
   with KTXESEAL_OPERATION_NONE closes the one open. Opened again on the same document while it
   is open, it goes on as the new operation with the key it unlocked. Non-zero on success. */
typedef int (*SetESealOperationFunction)(int operation, const char* title, const char* file);

#ifdef __cplusplus
}
#endif

#endif
