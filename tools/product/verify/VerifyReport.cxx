#include "VerifyReport.hxx"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>

namespace quillmark::verify
{
namespace
{
using Json = nlohmann::ordered_json;

Json fileJson(const FileReport& report)
{
    Json seals = Json::array();
    for (const SealReport& seal : report.seals)
        seals.push_back(Json{ { "kind", seal.kind },
                              { "name", seal.name },
                              { "valid", seal.valid },
                              { "reason", seal.reason },
                              { "scope", seal.scope },
                              { "changed", seal.changed },
                              { "organisation", seal.organisation } });
    return Json{ { "file", report.file },
                 { "status", statusName(report.status) },
                 { "seals", std::move(seals) },
                 { "error", report.status == FileReport::Status::Error ? Json(report.error)
                                                                       : Json(nullptr) } };
}

/// A file name need not be UTF-8: what is not is replaced rather than written as invalid JSON.
std::string dumped(const Json& value, int indent)
{
    return value.dump(indent, ' ', false, Json::error_handler_t::replace);
}

/// Columns of text that mixes ASCII and CJK: a CJK character takes two columns on a terminal.
size_t displayWidth(const std::string& text)
{
    size_t width = 0;
    for (size_t i = 0; i < text.size();)
    {
        const unsigned char lead = static_cast<unsigned char>(text[i]);
        const size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        width += length >= 3 ? 2 : 1;
        i += length;
    }
    return width;
}

constexpr size_t kColumns = 5;
using Row = std::array<std::string, kColumns>;

std::vector<Row> tableRows(const FileReport& report)
{
    const std::string status = statusName(report.status);
    if (report.status == FileReport::Status::Error)
        return { Row{ report.file, "-", "-", status, report.error } };
    if (report.seals.empty())
        return { Row{ report.file, "-", "-", status, "-" } };
    std::vector<Row> rows;
    for (const SealReport& seal : report.seals)
        rows.push_back(Row{ report.file, seal.kind, seal.name.empty() ? "-" : seal.name,
                            seal.valid ? "valid" : "invalid", seal.reason });
    return rows;
}
}

FileReport::Status statusOfSeals(const std::vector<SealReport>& seals)
{
    if (seals.empty())
        return FileReport::Status::Unsigned;
    const bool allValid = std::all_of(seals.begin(), seals.end(),
                                      [](const SealReport& seal) { return seal.valid; });
    return allValid ? FileReport::Status::Valid : FileReport::Status::Invalid;
}

void applyStrictness(FileReport& report)
{
    if (report.status == FileReport::Status::Error)
        return;
    for (SealReport& seal : report.seals)
        if (seal.scope != "document")
            seal.valid = false;
    report.status = statusOfSeals(report.seals);
}

const char* statusName(FileReport::Status status)
{
    switch (status)
    {
        case FileReport::Status::Valid:
            return "valid";
        case FileReport::Status::Invalid:
            return "invalid";
        case FileReport::Status::Unsigned:
            return "unsigned";
        case FileReport::Status::Error:
            break;
    }
    return "error";
}

int exitStatus(const std::vector<FileReport>& reports)
{
    int status = 0;
    for (const FileReport& report : reports)
    {
        if (report.status == FileReport::Status::Error)
            return 2;
        if (report.status != FileReport::Status::Valid)
            status = 1;
    }
    return status;
}

std::string jsonObject(const FileReport& report) { return dumped(fileJson(report), -1); }

std::string jsonDocument(const std::vector<FileReport>& reports)
{
    Json files = Json::array();
    for (const FileReport& report : reports)
        files.push_back(fileJson(report));
    return dumped(Json{ { "files", std::move(files) } }, 2);
}

void writeTable(std::ostream& out, const std::vector<FileReport>& reports)
{
    std::vector<Row> rows = { Row{ "FILE", "KIND", "NAME", "VERDICT", "REASON" } };
    for (const FileReport& report : reports)
        for (Row& row : tableRows(report))
            rows.push_back(std::move(row));
    std::array<size_t, kColumns> widths{};
    for (const Row& row : rows)
        for (size_t column = 0; column < kColumns; ++column)
            widths[column] = std::max(widths[column], displayWidth(row[column]));
    for (const Row& row : rows)
    {
        for (size_t column = 0; column + 1 < kColumns; ++column)
            out << row[column] << std::string(widths[column] - displayWidth(row[column]) + 2, ' ');
        out << row[kColumns - 1] << '\n';
    }
}
}
