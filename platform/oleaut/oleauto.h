// Everything of OLE Automation the system uses, in one include.
#pragma once

#include "platform/oleaut/bstr.h"
#include "platform/oleaut/locale.h"
#include "platform/oleaut/oleaut_types.h"
#include "platform/oleaut/safearray.h"
#include "platform/oleaut/unknown.h"
#include "platform/oleaut/var_date.h"
#include "platform/oleaut/var_number.h"
#include "platform/oleaut/variant.h"
