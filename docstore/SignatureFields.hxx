/// Signature fields read by name, whatever is selected.
#pragma once

#include <format/SealFieldNames.hxx>
#include <format/UserMasters.hxx>
