/// Signature fields read by name, whatever is selected.
#pragma once

#include "SealFieldNames.hxx"
#include "UserMasters.hxx"
