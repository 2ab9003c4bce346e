/// The seal commands of the menu and toolbar, and when each of them applies.
#pragma once

#include <array>
#include <optional>
#include <rtl/ustring.hxx>

namespace quillmark::suite
{
enum class SealCommand
{
    InsertStampArea,
    StampDocument,
    VerifyDocument,
    ShowSealInfo,
    RemoveSeal,
    DeleteSeal,
    MarkField,
    SignField,
    VerifyField,
    RemoveFieldSeal,
    /// The document as a PDF that carries its seals' signatures; applies to every document.
    ExportSealedPdf,
    /// The list of the document's seals behind the verdict line's button; in no menu.
    SealList
};

inline constexpr std::array<SealCommand, 11> kSealCommands
    = { SealCommand::InsertStampArea, SealCommand::StampDocument,  SealCommand::VerifyDocument,
        SealCommand::ShowSealInfo,    SealCommand::RemoveSeal,     SealCommand::DeleteSeal,
        SealCommand::MarkField,       SealCommand::SignField,      SealCommand::VerifyField,
        SealCommand::RemoveFieldSeal, SealCommand::ExportSealedPdf };

/// The command's name, the path of its URL "quillmark.seal:<name>".
const char* commandName(SealCommand command);
/// The command a URL path names; none for a name of no command.
std::optional<SealCommand> commandNamed(const rtl::OUString& path);

/// What the commands' enabling depends on, read once per selection change.
struct SelectionState
{
    /// As getSelectedStampType answers: 0 document seal, 1 stamping area, 2 field seal, -1 none.
    sal_Int16 stampType = -1;
    /// A non-empty stretch of text is selected.
    bool textSelected = false;
    /// The field whose markers enclose the view cursor, or empty.
    rtl::OUString enclosingField;
    bool enclosingFieldSigned = false;
};

bool isEnabled(SealCommand command, const SelectionState& state);
}
