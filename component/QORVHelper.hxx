/// The seal helper object: the one object the component hands out. It holds the state that the
/// sealing operations share and carries every step of them as a member; the steps are defined in
/// the room of their topic (component/, libraries/, docstore/, operations/).
#pragma once

#include <common/UnoHelpers.hxx>

#include <Quillmark/Certificate/XQORVTools.hpp>
#include <Quillmark/Certificate/XSealCoverage.hpp>
#include <Quillmark/Certificate/XSealSurvey.hpp>
#include <Quillmark/UITools/XCertInfoBox.hpp>
#include <com/sun/star/awt/Point.hpp>
#include <com/sun/star/awt/Size.hpp>
#include <com/sun/star/awt/XToolkit.hpp>
#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/frame/XFrame.hpp>
#include <com/sun/star/lang/XInitialization.hpp>
#include <com/sun/star/lang/XServiceInfo.hpp>
#include <com/sun/star/text/XTextField.hpp>
#include <com/sun/star/ui/XContextMenuInterceptor.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>
#include <com/sun/star/util/URL.hpp>
#include <com/sun/star/view/XSelectionChangeListener.hpp>
#include <cppuhelper/implbase6.hxx>
#include <optional>

namespace quillmark
{
/// Per-seal signature field kinds.
enum SealFieldKind : sal_Int32
{
    kCertField = 1,
    kSignField = 2,
    kStamperField = 3,
    kProtectStateField = 4,
    kPostilField = 5
};

/// Kinds of the selected seal object.
enum SealKind : sal_Int16
{
    kNoSeal = -1,
    kDocumentSeal = 0,
    kStampArea = 1,
    kFieldSeal = 2
};

OUString implementationName();
css::uno::Sequence<OUString> supportedServiceNames();

class QORVHelper
    : public cppu::WeakImplHelper6<Quillmark::Certificate::XQORVTools, css::lang::XInitialization,
                                   css::lang::XServiceInfo, css::view::XSelectionChangeListener,
                                   Quillmark::Certificate::XSealSurvey,
                                   Quillmark::Certificate::XSealCoverage>
{
public:
    explicit QORVHelper(const css::uno::Reference<css::uno::XComponentContext>& context);
    ~QORVHelper() override;

    /// Registers the seal context-menu interceptor on the frame's controller.
    virtual void installContextMenuInterceptor();

    // XQORVTools
    sal_Bool SAL_CALL stampDocument() override;
    sal_Bool SAL_CALL verifyDocument() override;
    sal_Bool SAL_CALL removeDocumentStamp() override;
    sal_Bool SAL_CALL deleteSelectedStamp() override;
    sal_Int16 SAL_CALL getSelectedStampType() override;
    sal_Bool SAL_CALL showCertificateInfo(const OUString& message) override;
    sal_Bool SAL_CALL signField(const OUString& fieldName) override;
    sal_Bool SAL_CALL verifyField(const OUString& fieldName) override;
    sal_Bool SAL_CALL verifySelectedField() override;
    sal_Bool SAL_CALL removeSelectedFieldStamp() override;
    OUString SAL_CALL getFieldSignature(const OUString& fieldName) override;
    sal_Bool SAL_CALL setFieldSignature(const OUString& fieldName,
                                        const OUString& signature) override;
    sal_Bool SAL_CALL isFieldSigned(const OUString& fieldName) override;
    sal_Bool SAL_CALL insertStampArea() override;

    // XSealSurvey
    css::uno::Sequence<Quillmark::Certificate::SealSurveyEntry>
        SAL_CALL surveySeals(sal_Bool markPictures) override;

    // XSealCoverage
    OUString SAL_CALL certificateSealCoverage(const OUString& sealName) override;

    // XInitialization
    void SAL_CALL initialize(const css::uno::Sequence<css::uno::Any>& arguments) override;

    // XServiceInfo
    OUString SAL_CALL getImplementationName() override;
    sal_Bool SAL_CALL supportsService(const OUString& serviceName) override;
    css::uno::Sequence<OUString> SAL_CALL getSupportedServiceNames() override;

    // XSelectionChangeListener
    void SAL_CALL disposing(const css::lang::EventObject& event) override;
    void SAL_CALL selectionChanged(const css::lang::EventObject& event) override;

    // XTypeProvider: the stock helper answers an empty sequence.
    css::uno::Sequence<sal_Int8> SAL_CALL getImplementationId() override;

    /// A service of the component context's service manager, or empty when it knows none.
    css::uno::Reference<css::uno::XInterface> createService(const OUString& serviceName);
    css::uno::Reference<css::uno::XInterface> createService(const char* serviceName);

    /// Notice box titled "提示".
    void showMessage(const OUString& text);
    /// The same box titled "Message", for exceptions and file failures.
    void showErrorMessage(const OUString& text);

    // Picture directories.
    /// The office's filter directory, or the profile's seal picture folder where the filter
    /// directory is missing or not writable.
    OUString getFilterDirectoryURL();
    OUString getGraphicDirectoryURL();
    /// Sets `pictureURL` from `text`.
    void parsePictureURL(const OUString& text);

    /// Inserts a picture as a text graphic at the view cursor, as the office's insert command does.
    css::uno::Reference<css::uno::XInterface> insertPictureAtViewCursor(const OUString& pictureUrl);

    // Certificate library.
    bool initializeCertificateLibrary();
    /// Ends this helper's use of the certificate library, whether or not it logged in.
    void finalizeCertificateLibrary();
    bool loadContainerName();
    bool loginWithPin();
    bool verifyDocumentSignature();
    bool loadCertificateInfo();

    /// The suite's certificate box, initialised with `documentFrame`; empty when the suite
    /// offers none. `pinOfSeal` names the seal whose PIN the box will ask for, where it asks for
    /// a seal's and not the certificate token's.
    css::uno::Reference<Quillmark::UITools::XCertInfoBox>
    createCertInfoBox(const std::optional<OUString>& pinOfSeal = std::nullopt);

    // Sealing steps.
    bool verifySealLibrarySignature();
    /// Writes the picture carried by the signature; returns the file's URL, "" on failure.
    OUString writeSealPictureFile(const OUString& pictureName, const OUString& signature);
    bool loginWithCertInfoBox();

    // Field markers and field seals.
    css::uno::Reference<css::text::XTextField> findFieldByContent(const OUString& key);
    OUString getFieldText(const OUString& fieldName);
    bool storeFieldSignature(const OUString& fieldName, const OUString& signature);
    bool clearFieldSignature(const OUString& fieldName);
    bool placeFieldStamp(const OUString& fieldName, const OUString& pictureUrl);
    /// The same with the field's last start and last end marker already found.
    bool placeFieldStamp(const OUString& fieldName, const OUString& pictureUrl,
                         const css::uno::Reference<css::beans::XPropertySet>& lastStart,
                         const css::uno::Reference<css::beans::XPropertySet>& lastEnd);

    // Signature fields.
    bool readSealField(sal_Int32 kind, OUString& value);
    bool readDocumentSignature(OUString& value);
    bool writeDocumentSignature(const OUString& value);
    /// Removes the user field of exactly this name, if the document has it.
    void removeUserField(const OUString& fieldName);
    bool readPostil(OUString& value);
    bool writePostil(const OUString& value);
    bool isDocumentSealSelected();

    // Document text.
    OUString getDocumentText();

    // Seal shape attributes.
    void setShapeType(const css::uno::Reference<css::beans::XPropertySet>& object,
                      const OUString& value);

    // Seal graphic placement.
    void readStampAreaPosition();
    void readStampAreaPage();
    bool removeStampArea();
    /// Unprotects and disposes the stamping area taken from the selection earlier.
    bool removeStampArea(const css::uno::Reference<css::uno::XInterface>& area);
    bool placeSealPicture();

    // Seal removal.
    void dispatchCommand(const OUString& command,
                         const css::uno::Sequence<css::beans::PropertyValue>& arguments);
    bool deleteSelectedSeal();
    bool removeSelectedDocumentSeal();

    /// Turns the pictures that a .docx or .doc round trip made of document seals back into
    /// document seals; a document without a document signature is left alone.
    void restoreSealsFromWordFormat();
    /// The same for field seals a .docx kept by name and description, where their field is signed.
    void restoreFieldSealsFromWordFormat();
    /// Before the document is saved with the office filter `filterName`: warns and returns false
    /// when the format would lose the document's seals, and readies the seals of a Word format.
    bool prepareSealsForSaving(const OUString& filterName);

    // Seal validity marking.
    void markDocumentSeals(bool invalid);
    void markSelectedFieldSeal(bool invalid);

    /// The document in `documentFrame`, or empty when there is none to work on.
    css::uno::Reference<css::frame::XModel> model();
    /// The model's current selection; throws when there is no document.
    css::uno::Reference<css::uno::XInterface> selection();

    // What the operations left, for the functions that take the helper and for the tests; the
    // operations themselves keep the state to themselves.
    bool isDocumentModified() const { return documentModified; }
    void setDocumentModified(bool modified) { documentModified = modified; }
    const OUString& getUserPin() const { return userPin; }
    const OUString& getContainerName() const { return containerName; }
    void setContainerName(const OUString& name) { containerName = name; }
    const OUString& getFieldPictureURL() const { return fieldPictureURL; }
    const css::uno::Sequence<OUString>& getCertificateInfo() const { return certificateInfo; }
    void setCertificateInfo(const css::uno::Sequence<OUString>& items) { certificateInfo = items; }
    bool isLibraryReady() const { return libraryReady; }
    const css::awt::Point& getSealPosition() const { return sealPosition; }
    const css::awt::Size& getSealPictureSize() const { return sealPictureSize; }
    void setSealPictureSize(const css::awt::Size& size) { sealPictureSize = size; }
    sal_Int16 getSealAnchorPage() const { return sealAnchorPage; }
    const css::uno::Reference<css::ui::XContextMenuInterceptor>& getMenuInterceptor() const
    {
        return menuInterceptor;
    }
    const css::uno::Reference<css::uno::XComponentContext>& getComponentContext() const
    {
        return componentContext;
    }
    const css::uno::Reference<css::frame::XFrame>& getDocumentFrame() const
    {
        return documentFrame;
    }
    const css::uno::Reference<css::awt::XToolkit>& getToolkit() const { return toolkit; }
    const css::util::URL& getPictureURL() const { return pictureURL; }

private:
    // State shared by the operations, in the order the helper declares it.
    bool documentModified = false;
    OUString userPin;
    OUString containerName;
    OUString fieldPictureURL;
    css::uno::Sequence<OUString> certificateInfo;
    bool libraryReady = false;
    css::awt::Point sealPosition;
    css::awt::Size sealPictureSize;
    sal_Int16 sealAnchorPage = 0;
    css::uno::Reference<css::ui::XContextMenuInterceptor> menuInterceptor;
    css::uno::Reference<css::uno::XComponentContext> componentContext;
    css::uno::Reference<css::frame::XFrame> documentFrame;
    css::uno::Reference<css::awt::XToolkit> toolkit;
    css::util::URL pictureURL;

    /// The words of the last certificate seal check: its verdict, with the parts that changed.
    OUString lastVerdict;

    /// Adopts a seal name from the selected seal while `containerName` is empty; false when the
    /// selection is neither a text graphic object nor a shape collection.
    bool resolveSealSelection();
    std::optional<OUString> readUserField(const OUString& fieldName);
    bool hasUserField(const OUString& fieldName);
    void writeUserField(const OUString& fieldName, const OUString& value);
};
}
