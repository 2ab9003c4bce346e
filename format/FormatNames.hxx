/// The names the stored seal format keeps documents under: they bind stored documents, so each
/// is spelled here once, for the component, quillmark-cert-seal, the demo and the tests.
#pragma once

namespace quillmark::texts
{
// User field masters.
constexpr char kUserMasterPrefix[] = "com.sun.star.text.FieldMaster.User.";
constexpr char kUserMasterService[] = "com.sun.star.text.FieldMaster.User";
constexpr char kUserFieldService[] = "com.sun.star.text.TextField.User";
constexpr char kDocumentSignatureField[] = "newSignatureType";
constexpr char kCertSuffix[] = "Cert";
constexpr char kSignSuffix[] = "Sign";
constexpr char kStamperSuffix[] = "Stamper";
constexpr char kProtectStateSuffix[] = "ProtectState";
constexpr char kPostilSuffix[] = "Postil";
// What a seal covers beyond its text: after "newSignatureType" for the document seal, after the
// seal's name for a certificate seal, after the field's name for a field seal.
constexpr char kCoverageSuffix[] = "Coverage";
constexpr char kFieldCoverageSuffix[] = "__@*Coverage";

// Seal shape attributes, and the "ShapeType" values of document and field seals.
constexpr char kUserDefinedAttributes[] = "UserDefinedAttributes";
constexpr char kShapeTypeKey[] = "ShapeType";
constexpr char kStamperNameKey[] = "StamperName";
constexpr char kAttributeType[] = "CDATA";
constexpr char kDocumentSealMark[] = "Stamper";
constexpr char kFieldSealMark[] = "FieldStamper";

// Seal pictures.
constexpr char kSealShapeName[] = "Stamper";
constexpr char kBitmapTableEntry[] = "nudo_CA";
}
