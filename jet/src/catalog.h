// Reads the catalog: the rows of MSysObjects, whose TDEF is always page 2.
#pragma once

#include <cstdint>
#include <vector>

#include "format.h"
#include "jet/catalog.h"
#include "page_cache.h"

namespace jet {

inline constexpr std::uint32_t kCatalogTdefPage = 2;

// Classifies an MSysObjects row by its Type and Flags.
ObjectKind classify_object(std::int16_t type, std::uint32_t flags);

// Reads every MSysObjects row (with its TDEF at kCatalogTdefPage). Throws
// jet::Error (corruption) if the catalog is damaged or lacks the Id, Name,
// Type or Flags columns.
std::vector<CatalogEntry> read_catalog(PageCache& pages, const Format& format);

}  // namespace jet
