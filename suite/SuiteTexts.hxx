/// Fixed names and texts of the suite's seal menu, toolbar, infobar and dialogs.
#pragma once

namespace quillmark::suite::texts
{
constexpr char kHandlerImplementation[] = "Quillmark.Implementations.Suite.SealProtocolHandler";
constexpr char kHandlerService[] = "com.sun.star.frame.ProtocolHandler";
constexpr char kJobImplementation[] = "Quillmark.Implementations.Suite.SealDocumentJob";
constexpr char kJobService[] = "Quillmark.Suite.SealDocumentJob";

constexpr char kProtocol[] = "quillmark.seal:";
constexpr char kHelperService[] = "Quillmark.Certificate.QORVHelper";
constexpr char kTextDocumentService[] = "com.sun.star.text.TextDocument";

// Document events the job is started for.
constexpr char kEventNew[] = "OnNew";
constexpr char kEventLoad[] = "OnLoad";
constexpr char kEventViewCreated[] = "OnViewCreated";
// A copy is stored (storeToURL: Save a Copy, Export, a PDF export, a batch conversion).
constexpr char kEventCopyTo[] = "OnCopyTo";
// Before and after storing: a seal picture that carries a caption is written by this office as a
// Word file that it cannot open again, so captions leave before every save and come back after.
constexpr const char* kEventsBeforeSaving[] = { "OnSave", "OnSaveAs" };
constexpr const char* kEventsAfterSaving[]
    = { "OnSaveDone", "OnSaveAsDone", "OnSaveFailed", "OnSaveAsFailed" };

constexpr char kInfobarId[] = "quillmark.seal.verdict";

// Infobar lines.
constexpr char kInfobarTitle[] = u8"印章";
constexpr char kAllSealsValid[] = u8"本文档的 %1 个印章全部有效：%2。";
constexpr char kSomeSealsInvalid[] = u8"本文档的 %1 个印章中 %2 个有效%3，无效：%4";
constexpr char kSealListSeparator[] = u8"、";
constexpr char kInvalidSealSeparator[] = u8"；";
constexpr char kSealReasonSeparator[] = u8"：";
constexpr char kTextOnlyMark[] = u8"（仅保护正文）";
constexpr char kSealDetailsButton[] = u8"印章详情";
constexpr char kSealListTitle[] = u8"印章详情";
constexpr char kNoSeals[] = u8"本文档没有印章。";
// The infobar button's command: the list of the document's seals.
constexpr char kSealListCommand[] = "quillmark.seal:SealList";
// How the line names a seal whose signature names no organisation.
constexpr char kFieldSealLabel[] = u8"签章域「%1」";
constexpr char kSealReasonOpen[] = u8"（";
constexpr char kSealReasonClose[] = u8"）";
constexpr char kDocumentSealValid[] = u8"验证印章：文档未被修改，印章有效。";
constexpr char kDocumentSealInvalid[] = u8"验证印章：文档已被修改，印章无效！";
// The checked seal, whose it is and its verdict.
constexpr char kDocumentSealRefused[] = u8"验证印章：%1";
// The survey's kind of a field seal.
constexpr char kFieldSealKind[] = "field";
constexpr char kFieldSealValid[] = u8"验证签章域「%1」：域内容未被修改，签章有效。";
constexpr char kFieldSealInvalid[] = u8"验证签章域「%1」：签章无效！";
constexpr char kDocumentSealName[] = u8"文档印章";
constexpr char kSurveyFailed[] = u8"文档中的印章未能验证：%1";

// Field marking.
constexpr char kFieldNameTitle[] = u8"标记签章域";
constexpr char kFieldNameLabel[] = u8"签章域名称：";
constexpr char kOk[] = u8"确定";
constexpr char kCancel[] = u8"取消";
constexpr char kNoTextSelected[] = u8"请先选中要标记为签章域的文字！";
constexpr char kFieldNameEmpty[] = u8"签章域名称不能为空！";
constexpr char kFieldNameTaken[] = u8"已有同名的签章域！";
constexpr char kFieldNameReserved[] = u8"签章域名称不能含有“__@*”！";
constexpr char kNoEnclosingField[] = u8"光标不在签章域内！";
constexpr char kAnnotationService[] = "com.sun.star.text.textfield.Annotation";
constexpr char kMarkerReserved[] = "__@*";

// Saving in a format that loses the seals.
constexpr char kSaveCommand[] = ".uno:Save";
constexpr char kSaveAsCommand[] = ".uno:SaveAs";
constexpr char kSaveACopyCommand[] = ".uno:SaveACopy";
constexpr char kExportToCommand[] = ".uno:ExportTo";
constexpr char kDefaultFilter[] = "writer8";
constexpr char kTextModule[] = "com.sun.star.text.TextDocument";
// The sealed PDF export.
constexpr char kCertInfoBoxService[] = "Quillmark.UITools.CertInfoBox";
// Given to the PIN box's initialize: the name of the seal whose PIN it asks for.
constexpr char kPinOfSealArgument[] = "PinOfSeal";
constexpr char kSealedPdfTitle[] = u8"导出为盖章 PDF";
constexpr char kSealedPdfFilter[] = u8"PDF 文件";
constexpr char kPdfPattern[] = "*.pdf";
constexpr char kSealedPdfNotAFile[] = u8"盖章 PDF 只能导出到本机的文件中。";
constexpr char kSealedPdfWritten[] = u8"已导出盖章 PDF：%1（%2 个签章）";
constexpr char kSaveWarningTitle[] = u8"印章签名将丢失";
constexpr char kSaveWarning[]
    = u8"此文档带有印章。“%"
      u8"1”格式不能保存印章和签名，保存后印章将无法验证。\n\n仍要以此格式保存吗？";
}
