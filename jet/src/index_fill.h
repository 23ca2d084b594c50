// How much of an index page's entry area a run of entries takes, and where
// to cut an overflowing page (see index_writer.h for the tree around it).
#pragma once

#include <cstddef>
#include <vector>

#include "index_page.h"

namespace jet::index_fill {

// True when all of `page`'s entries fit in one page's entry area.
bool fits(const IndexPage& page, const IndexPageLayout& layout);

// Where to cut the entries of an overflowing page: the ascending start
// indexes of every piece but the first, each piece fitting a page. With
// `appended` (entries added in key order) the pieces before the last are
// filled as far as they go; otherwise a page that splits in two splits
// near its middle. REQUIRES: every single entry fits a page.
std::vector<std::size_t> cut_points(const std::vector<IndexEntry>& entries, bool leaf,
                                    const IndexPageLayout& layout, bool appended);

}  // namespace jet::index_fill
