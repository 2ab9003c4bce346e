/// Signature fields read by name, whatever is selected.
#pragma once

#include <docstore/SealFieldNames.hxx>
#include <docstore/UserMasters.hxx>
