// Entry points of the suite's seal commands: the protocol handler of the menu and toolbar, and
// the document-event job that serves every window.

#include "SealDocumentJob.hxx"
#include "SealProtocolHandler.hxx"

#include <ServiceFactory.hxx>
#include <uno/lbnames.h>

extern "C" {

SAL_DLLPUBLIC_EXPORT void SAL_CALL component_getImplementationEnvironment(const char** envTypeName,
                                                                          uno_Environment**)
{
    *envTypeName = CPPU_CURRENT_LANGUAGE_BINDING_NAME;
}

SAL_DLLPUBLIC_EXPORT void* SAL_CALL component_getFactory(const char* implName, void*, void*)
{
    using quillmark::suite::SealDocumentJob;
    using quillmark::suite::SealProtocolHandler;
    return quillmark::factoryFor<SealProtocolHandler, SealDocumentJob>(implName);
}
}
