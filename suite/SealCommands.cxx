#include "SealCommands.hxx"

namespace quillmark::suite
{
namespace
{
constexpr sal_Int16 kDocumentSeal = 0;
constexpr sal_Int16 kStampArea = 1;
constexpr sal_Int16 kFieldSeal = 2;
}

const char* commandName(SealCommand command)
{
    switch (command)
    {
        case SealCommand::InsertStampArea:
            return "InsertStampArea";
        case SealCommand::StampDocument:
            return "StampDocument";
        case SealCommand::VerifyDocument:
            return "VerifyDocument";
        case SealCommand::ShowSealInfo:
            return "ShowSealInfo";
        case SealCommand::RemoveSeal:
            return "RemoveSeal";
        case SealCommand::DeleteSeal:
            return "DeleteSeal";
        case SealCommand::MarkField:
            return "MarkField";
        case SealCommand::SignField:
            return "SignField";
        case SealCommand::VerifyField:
            return "VerifyField";
        case SealCommand::RemoveFieldSeal:
            return "RemoveFieldSeal";
        case SealCommand::ExportSealedPdf:
            return "ExportSealedPdf";
        case SealCommand::SealList:
            return "SealList";
    }
    return "";
}

std::optional<SealCommand> commandNamed(const rtl::OUString& path)
{
    for (SealCommand command : kSealCommands)
        if (path.equalsAscii(commandName(command)))
            return command;
    if (path.equalsAscii(commandName(SealCommand::SealList)))
        return SealCommand::SealList;
    return std::nullopt;
}

bool isEnabled(SealCommand command, const SelectionState& state)
{
    switch (command)
    {
        case SealCommand::InsertStampArea:
            return true;
        case SealCommand::StampDocument:
            return state.stampType == kStampArea;
        case SealCommand::VerifyDocument:
        case SealCommand::ShowSealInfo:
        case SealCommand::RemoveSeal:
            return state.stampType == kDocumentSeal;
        case SealCommand::DeleteSeal:
            return state.stampType == kDocumentSeal || state.stampType == kFieldSeal;
        case SealCommand::MarkField:
            return state.textSelected;
        case SealCommand::SignField:
            return !state.enclosingField.isEmpty() && !state.enclosingFieldSigned;
        case SealCommand::VerifyField:
            return state.stampType == kFieldSeal
                   || (!state.enclosingField.isEmpty() && state.enclosingFieldSigned);
        case SealCommand::RemoveFieldSeal:
            return state.stampType == kFieldSeal;
        case SealCommand::ExportSealedPdf:
        case SealCommand::SealList:
            return true;
    }
    return false;
}
}
