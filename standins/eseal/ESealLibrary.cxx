// The project's own electronic-seal library behind the KTXESeal entry points. The current seal is
// read from its directory at every call (SealFiles.hxx); the library keeps no state of its own.

#include "ESealTexts.hxx"
#include "PictureBlock.hxx"
#include "SealDetails.hxx"
#include "SealFiles.hxx"
#include "SealSignature.hxx"
#include "SealVerification.hxx"
#include "TrustAnchors.hxx"

#include <KTXESeal.h>
#include <KTXESealDetails.h>
#include <openssl/err.h>

#include <cstring>
#include <ctime>
#include <type_traits>

#define KTXESEAL_EXPORT extern "C" __attribute__((visibility("default")))

namespace
{
using ktxeseal::ByteRange;

/// Leaves no OpenSSL errors behind in the calling thread's queue, whatever the outcome.
struct OpenSslErrorScope
{
    OpenSslErrorScope() = default;
    OpenSslErrorScope(const OpenSslErrorScope&) = delete;
    OpenSslErrorScope& operator=(const OpenSslErrorScope&) = delete;
    ~OpenSslErrorScope() { ERR_clear_error(); }
};

/// Runs an entry point's work; nothing may leave the library as an exception.
template <typename Work>
int guarded(Work work) noexcept
{
    OpenSslErrorScope errors;
    try
    {
        return work() ? 1 : 0;
    }
    catch (...)
    {
        return 0;
    }
}

std::optional<ByteRange> textBytes(const char* text, int length)
{
    if (length < 0 || (!text && length > 0))
        return std::nullopt;
    return ByteRange(reinterpret_cast<const unsigned char*>(text), static_cast<size_t>(length));
}

/// The signature text ends at its length or at a NUL before it, so a caller may pass the area
/// that holds it as well as the text alone.
std::optional<std::string_view> signatureText(const char* signature, int length)
{
    if (!signature || length <= 0)
        return std::nullopt;
    return std::string_view(signature, strnlen(signature, static_cast<size_t>(length)));
}

std::optional<ktxeseal::SealSignatureContent> openSignature(const char* signature, int length)
{
    const std::optional<std::string_view> text = signatureText(signature, length);
    if (!text)
        return std::nullopt;
    return ktxeseal::openSealSignature(*text);
}

/// A missing or malformed text or signature reads as an unreadable signature. The trusted
/// authorities are read only for a signature that opens.
ktxeseal::SealAssessment assess(const char* text, int textLength, const char* signature,
                                int signatureLength)
{
    ktxeseal::SealAssessment assessment;
    const std::optional<ByteRange> bytes = textBytes(text, textLength);
    if (bytes)
        assessment.content = openSignature(signature, signatureLength);
    if (assessment.content)
        assessment.verdict = ktxeseal::judgeSealSignature(*assessment.content, *bytes,
                                                          ktxeseal::loadTrustedAuthorities());
    return assessment;
}

// Set and used on the caller's one user-interface thread, like every entry point.
KTXESealDetailsPresenter detailsPresenter = nullptr;
void* detailsPresenterContext = nullptr;

void presentDetails(const ktxeseal::SealDetails& details)
{
    if (!detailsPresenter)
        return;
    std::vector<KTXESealDetailItem> items;
    items.reserve(details.items.size());
    for (const auto& [label, value] : details.items)
        items.push_back(KTXESealDetailItem{ label.c_str(), value.c_str() });
    KTXESealDetails shown{};
    shown.title = ktxeseal::texts::kDetailsTitle;
    shown.picture = details.picture.empty() ? nullptr : details.picture.data();
    shown.pictureLength = static_cast<int>(details.picture.size());
    shown.items = items.empty() ? nullptr : items.data();
    shown.itemCount = static_cast<int>(items.size());
    shown.valid = details.valid ? 1 : 0;
    shown.textChanged = details.textChanged ? 1 : 0;
    shown.verdict = details.verdict.c_str();
    detailsPresenter(detailsPresenterContext, &shown);
}
}

KTXESEAL_EXPORT int SignESeal(const char* text, int textLength, char* signature,
                              int* signatureLength)
{
    return guarded([&] {
        const std::optional<ByteRange> bytes = textBytes(text, textLength);
        if (!bytes || !signature || !signatureLength)
            return false;
        const std::optional<ktxeseal::Seal> seal = ktxeseal::loadCurrentSeal();
        if (!seal)
            return false;
        // An expired or not yet valid seal gives nothing.
        const std::optional<std::string> made
            = ktxeseal::makeSealSignature(*seal, *bytes, std::time(nullptr));
        if (!made || made->size() >= KTXESEAL_AREA_SIZE)
            return false;
        std::memcpy(signature, made->c_str(), made->size() + 1);
        *signatureLength = static_cast<int>(made->size());
        return true;
    });
}

KTXESEAL_EXPORT int ShowESealInfo(const char* text, int textLength, const char* signature,
                                  int signatureLength)
{
    return guarded([&] {
        return assess(text, textLength, signature, signatureLength).verdict
               == ktxeseal::SealVerdict::Valid;
    });
}

/// Shows the details through the presenter the caller handed over, if any.
KTXESEAL_EXPORT int ShowESealCert(const char* text, int textLength, const char* signature,
                                  int signatureLength)
{
    return guarded([&] {
        const ktxeseal::SealAssessment assessment
            = assess(text, textLength, signature, signatureLength);
        presentDetails(ktxeseal::describeAssessment(assessment));
        return assessment.verdict == ktxeseal::SealVerdict::Valid;
    });
}

KTXESEAL_EXPORT int SetESealDetailsPresenter(KTXESealDetailsPresenter presenter, void* context)
{
    detailsPresenter = presenter;
    detailsPresenterContext = presenter ? context : nullptr;
    return 1;
}

KTXESEAL_EXPORT int GetESealPic(const char* signature, int signatureLength, unsigned char* picture,
                                int* pictureLength)
{
    return guarded([&] {
        if (!picture || !pictureLength || *pictureLength <= 0)
            return false;
        const size_t capacity
            = std::min<size_t>(static_cast<size_t>(*pictureLength), KTXESEAL_AREA_SIZE);
        *pictureLength = 0;
        const auto content = openSignature(signature, signatureLength);
        if (!content)
            return false;
        const ktxeseal::Bytes block = ktxeseal::makePictureBlock(content->seal.picture);
        if (block.size() > capacity)
            return false;
        std::memcpy(picture, block.data(), block.size());
        *pictureLength = static_cast<int>(block.size());
        return true;
    });
}

KTXESEAL_EXPORT int GetPicSize(const unsigned char* picture, int pictureLength, int* width,
                               int* height)
{
    return guarded([&] {
        if (!picture || pictureLength <= 0 || !width || !height)
            return false;
        const auto gif
            = ktxeseal::pictureInBlock(ByteRange(picture, static_cast<size_t>(pictureLength)));
        const auto size = gif ? ktxeseal::readGifSize(*gif) : std::nullopt;
        if (!size)
            return false;
        *width = size->width;
        *height = size->height;
        return true;
    });
}

KTXESEAL_EXPORT int CheckRemovedRight(const char* signature, int signatureLength)
{
    return guarded([&] {
        const auto content = openSignature(signature, signatureLength);
        if (!content)
            return false;
        const std::optional<ktxeseal::Seal> seal = ktxeseal::loadCurrentSeal();
        return seal && seal->certificateDer == content->signerCertificateDer;
    });
}

static_assert(std::is_same_v<decltype(&SignESeal), SignESealFunction>);
static_assert(std::is_same_v<decltype(&ShowESealInfo), ShowESealInfoFunction>);
static_assert(std::is_same_v<decltype(&ShowESealCert), ShowESealCertFunction>);
static_assert(std::is_same_v<decltype(&GetESealPic), GetESealPicFunction>);
static_assert(std::is_same_v<decltype(&GetPicSize), GetPicSizeFunction>);
static_assert(std::is_same_v<decltype(&CheckRemovedRight), CheckRemovedRightFunction>);
static_assert(
    std::is_same_v<decltype(&SetESealDetailsPresenter), SetESealDetailsPresenterFunction>);
