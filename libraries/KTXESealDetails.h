/* The window of the electronic-seal library KTXESeal, behind ShowESealCert. The library is plain
   C and has no toolkit of its own: a caller that can show windows hands it a presenter, and
   ShowESealCert then passes the seal's details to that presenter before it returns. Without a
   presenter ShowESealCert shows nothing. All text is UTF-8; nothing handed to the presenter
   outlives its call. */
#ifndef QUILLMARK_LIBRARIES_KTXESEALDETAILS_H
#define QUILLMARK_LIBRARIES_KTXESEALDETAILS_H

#ifdef __cplusplus
extern "C" {
#endif

/* One line of the details: a caption and its value. */
typedef struct KTXESealDetailItem
{
    const char* label;
    const char* value;
} KTXESealDetailItem;

typedef struct KTXESealDetails
{
    const char* title;
    /* The seal picture, a GIF; no bytes when the signature could not be read. */
    const unsigned char* picture;
    int pictureLength;
    const KTXESealDetailItem* items;
    int itemCount;
    /* Non-zero when the seal is valid for the text. */
    int valid;
    /* The verdict with its reason, one line. */
    const char* verdict;
    /* Non-zero when the signature is sound but was made over other text: the text changed. */
    int textChanged;
} KTXESealDetails;

typedef void (*KTXESealDetailsPresenter)(void* context, const KTXESealDetails* details);

/* Makes `presenter` (or, with a null one, nobody) show the details; `context` is handed back to
   it. Non-zero on success. The library keeps one presenter for the process. */
typedef int (*SetESealDetailsPresenterFunction)(KTXESealDetailsPresenter presenter, void* context);

#ifdef __cplusplus
}
#endif

#endif
