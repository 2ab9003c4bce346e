// The project's own electronic-seal library behind the KTXESeal entry points. The current seal is
// read from its directory at every call (SealFiles.hxx); what the library keeps between calls is
// its custody (SealCustody.hxx): who is asked for the PIN, the operation open, and the key
// unlocked for it. The library stays loaded once loaded (-z nodelete), so that a key may serve
// for the minutes its seal allows although its callers unload it after each operation.

#include "ESealTexts.hxx"
#include "PictureBlock.hxx"
#include "SealCustody.hxx"
#include "SealDetails.hxx"
#include "SealFiles.hxx"
#include "SealSignature.hxx"
#include "SealVerification.hxx"
#include "Sm2.hxx"
#include "StampRegister.hxx"
#include "TimeStamp.hxx"
#include "TrustAnchors.hxx"

#include <KTXESeal.h>
#include <KTXESealCustody.h>
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
        assessment = ktxeseal::judgeSealSignature(
            *assessment.content, *bytes, ktxeseal::loadTrustMaterial(), std::time(nullptr));
    return assessment;
}

/// One entry point's use of the seal's key, however it ends.
struct KeyUse
{
    KeyUse() = default;
    KeyUse(const KeyUse&) = delete;
    KeyUse& operator=(const KeyUse&) = delete;
    ~KeyUse() { ktxeseal::sealKeeper().endCall(); }
};

/// The current seal, read from its folder with its key still locked.
struct CurrentSeal
{
    std::string directory;
    std::optional<ktxeseal::Seal> seal;
};

CurrentSeal currentSeal()
{
    CurrentSeal current;
    if (std::optional<std::string> directory = ktxeseal::currentSealDirectory())
    {
        current.directory = *directory;
        current.seal = ktxeseal::loadSeal(current.directory);
    }
    return current;
}

/// Writes the use of the seal into its register, signed with its unlocked key. A use that is
/// not on record is refused.
bool recordUse(const CurrentSeal& current, const ktxeseal::Bytes& digest, bool removal,
               std::optional<time_t> trustedTime)
{
    ktxeseal::SealKeeper& keeper = ktxeseal::sealKeeper();
    ktxeseal::RegisterRecord record;
    record.operation = ktxeseal::operationName(keeper.operation().operation, removal);
    record.title = keeper.operation().title;
    record.file = keeper.operation().file;
    record.sealId = current.seal->issued.sealId;
    record.organisation = current.seal->issued.name;
    record.digest = digest;
    record.trustedTime = trustedTime;
    std::string problem;
    if (ktxeseal::appendToRegister(
            current.directory, record,
            [&](ByteRange canonical) {
                return ktxeseal::sm2Sign(current.seal->key.get(), canonical);
            },
            problem))
        return true;
    keeper.refuse(KTXESEAL_STATUS_REGISTER_FAILED, "the stamping register cannot be written ("
                                                       + problem + "): nothing was "
                                                       + (removal ? "allowed" : "signed"));
    return false;
}

/// The signature with a time-stamp token over its SM2 value from the configured service;
/// nothing, the holder told why, when there is none to be had or it does not fit the area.
std::optional<std::string> withTimeStamp(const std::string& signature, const std::string& url,
                                         std::optional<time_t>& trustedTime)
{
    ktxeseal::SealKeeper& keeper = ktxeseal::sealKeeper();
    const std::optional<ktxeseal::SealSignatureContent> content
        = ktxeseal::openSealSignature(signature);
    const ktxeseal::TrustMaterial trust = ktxeseal::loadTrustMaterial();
    std::string problem = "the signature cannot be read back";
    const std::optional<ktxeseal::Bytes> token
        = content ? ktxeseal::requestTimeStamp(url, content->signatureValue,
                                               trust.timeStampAuthorities, problem)
                  : std::nullopt;
    if (!token)
    {
        keeper.refuse(KTXESEAL_STATUS_TIME_STAMP_FAILED,
                      "no trusted time from " + std::string(ktxeseal::kTimeStampUrlVariable) + ": "
                          + problem + "; nothing was signed");
        return std::nullopt;
    }
    trustedTime
        = ktxeseal::timeStampedAt(*token, content->signatureValue, trust.timeStampAuthorities);
    std::optional<std::string> stamped = ktxeseal::attachTimeStamp(signature, *token);
    if (!stamped || stamped->size() >= KTXESEAL_AREA_SIZE)
    {
        keeper.refuse(KTXESEAL_STATUS_TOO_LONG,
                      "the signature with its time stamp does not fit the signature area of "
                          + std::to_string(KTXESEAL_AREA_SIZE)
                          + " bytes; a seal with a smaller picture fits");
        return std::nullopt;
    }
    return stamped;
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
        KeyUse use;
        CurrentSeal current = currentSeal();
        const time_t now = std::time(nullptr);
        // An expired or not yet valid seal gives nothing, and nobody is asked for its PIN.
        if (!current.seal || !ktxeseal::maySignAt(*current.seal, now))
            return false;
        int status = 0;
        if (!ktxeseal::sealKeeper().unlock(*current.seal, current.directory, status))
            return false;
        std::optional<std::string> made = ktxeseal::makeSealSignature(*current.seal, *bytes, now);
        std::optional<time_t> trustedTime;
        if (const std::optional<std::string> url = ktxeseal::timeStampServiceUrl(); made && url)
            made = withTimeStamp(*made, *url, trustedTime);
        if (!made || made->size() >= KTXESEAL_AREA_SIZE
            || !recordUse(current, ktxeseal::sm3Digest(*bytes), false, trustedTime))
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

/// The seal that made the signature may remove it: its holder unlocks it, and the removal goes
/// on record.
KTXESEAL_EXPORT int CheckRemovedRight(const char* signature, int signatureLength)
{
    return guarded([&] {
        const auto content = openSignature(signature, signatureLength);
        if (!content)
            return false;
        KeyUse use;
        CurrentSeal current = currentSeal();
        if (!current.seal || current.seal->certificateDer != content->signerCertificateDer)
            return false;
        int status = 0;
        return ktxeseal::sealKeeper().unlock(*current.seal, current.directory, status)
               && recordUse(current, content->dataHash, true, std::nullopt);
    });
}

KTXESEAL_EXPORT int SetESealPinProvider(KTXESealPinProvider provider, KTXESealRefusalNotice notice,
                                        void* context)
{
    ktxeseal::sealKeeper().setPinSource(
        ktxeseal::PinSource{ provider, notice, provider || notice ? context : nullptr });
    return 1;
}

KTXESEAL_EXPORT int SetESealOperation(int operation, const char* title, const char* file)
{
    return guarded([&] {
        if (operation < KTXESEAL_OPERATION_NONE || operation > KTXESEAL_OPERATION_COVER_FIELD)
            return false;
        if (operation == KTXESEAL_OPERATION_NONE)
        {
            ktxeseal::sealKeeper().closeOperation();
            return true;
        }
        ktxeseal::sealKeeper().openOperation(
            ktxeseal::OperationDescription{ operation, title ? title : "", file ? file : "" });
        return true;
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
static_assert(std::is_same_v<decltype(&SetESealPinProvider), SetESealPinProviderFunction>);
static_assert(std::is_same_v<decltype(&SetESealOperation), SetESealOperationFunction>);
