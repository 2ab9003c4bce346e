/// A sealed document as a PDF that carries its seals' signatures: exported by the office's own
/// PDF filter, then signed once for each picture of a document or certificate seal, each
/// signature's widget showing that picture where it lies on its page. Only a document whose
/// seals all verify is exported so. The tool and the suite's menu command run this same code on
/// a document open in an office (the tool's own, or the one the suite runs in).
#pragma once

#include <SealCustody.hxx>

#include <Quillmark/Certificate/XSealSurvey.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>

#include <functional>
#include <string>

namespace quillmark::pdfseal
{
namespace css = com::sun::star;

/// Where the PINs come from.
struct ExportKeys
{
    /// Who is asked for the seal's PIN when no PIN file (KTXESEAL_PIN_FILE) names it, and told
    /// why the seal refused.
    ktxeseal::PinSource sealPin;
    /// Writes the key token's PIN (UTF-8) into the area and sets its length; false when the
    /// holder declines.
    std::function<bool(ktxeseal::SecretBytes& pin)> tokenPin;
};

struct ExportOutcome
{
    bool written = false;
    /// Why nothing was written (UTF-8), or empty.
    std::string message;
    /// The signatures the PDF carries.
    size_t signatures = 0;
};

/// Exports `document` as a sealed PDF to the file `path` (written whole or not at all). The
/// seals are surveyed through `survey` (the document's seal helper), which marks their
/// pictures; the document's modified state and undo history stay as they were.
ExportOutcome
exportSealedPdf(const css::uno::Reference<css::uno::XComponentContext>& context,
                const css::uno::Reference<css::frame::XModel>& document,
                const css::uno::Reference<Quillmark::Certificate::XSealSurvey>& survey,
                const std::string& path, const ExportKeys& keys);

/// The office's own PDF export of `document`, as bytes.
ktxeseal::Bytes exportPdf(const css::uno::Reference<css::frame::XModel>& document,
                          const css::uno::Reference<css::uno::XComponentContext>& context);
}
