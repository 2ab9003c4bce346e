#include "PdfFileVerifier.hxx"

#include <PdfVerification.hxx>

#include <ctime>
#include <fstream>
#include <iterator>

namespace quillmark::verify
{
namespace
{
/// As many bytes as may come before a PDF's header.
constexpr size_t kHeaderSearch = 1024;

FileReport errorReport(const std::string& path, const std::string& error)
{
    FileReport report;
    report.file = path;
    report.status = FileReport::Status::Error;
    report.error = error;
    return report;
}

std::optional<pdfseal::Bytes> readFile(const std::string& path, size_t limit)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    pdfseal::Bytes bytes;
    if (limit == 0)
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    else
    {
        bytes.resize(limit);
        in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(limit));
        bytes.resize(static_cast<size_t>(in.gcount()));
    }
    if (in.bad())
        return std::nullopt;
    return bytes;
}
}

std::optional<bool> isPdfFile(const std::string& path)
{
    const std::optional<pdfseal::Bytes> start = readFile(path, kHeaderSearch);
    if (!start)
        return std::nullopt;
    return pdfseal::looksLikePdf(*start);
}

FileReport verifyPdfFile(const std::string& path)
{
    const std::optional<pdfseal::Bytes> pdf = readFile(path, 0);
    if (!pdf)
        return errorReport(path, "cannot read it");
    FileReport report;
    report.file = path;
    try
    {
        for (const pdfseal::PdfSealVerdict& verdict :
             pdfseal::verifyPdfSignatures(*pdf, std::time(nullptr)))
        {
            const bool document = verdict.kind == pdfseal::PdfSealVerdict::Kind::Document;
            SealReport seal;
            seal.kind = document ? "document" : "certificate";
            // As in a Writer document, a document seal has no name of its own.
            seal.name = document ? std::string() : verdict.fieldName;
            seal.valid = verdict.valid;
            seal.reason = verdict.reason;
            // A signature covers every byte of the file as it was signed.
            seal.scope = "document";
            seal.organisation = verdict.organisation;
            report.seals.push_back(std::move(seal));
        }
    }
    catch (const pdfseal::PdfError& error)
    {
        return errorReport(path, std::string("not a readable PDF: ") + error.what());
    }
    report.status = statusOfSeals(report.seals);
    return report;
}
}
