// How the DAO engine classes reach COM: their factories, registered with
// the shared class registry (platform/oleaut/com.h) so that
// CoCreateInstance makes an engine from either class identifier of dao.h.
#pragma once

#include "platform/dao/dao.h"
#include "platform/oleaut/com.h"

// Registers both engine classes; the engine's owner calls it before
// creating one. Repeated calls change nothing.
void dao_register_engine_classes();

// Withdraws (false) or restores (true) an engine class, as when a DAO
// version is not installed. For tests.
void dao_set_class_registered(REFCLSID clsid, bool registered);
