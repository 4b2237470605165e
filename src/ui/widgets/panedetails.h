// What the details view shows of a row besides its name: for the local pane what the file
// system says, for the remote pane the order of the listing's dates.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ui/widgets/panemodel.h"

namespace tarnwick {

class CRemoteFileList;

// A number that orders entry `index`'s date among the others (see ListingDateKey); an exact
// time from MLSD counts first.
[[nodiscard]] std::int64_t EntryDateKey(const CRemoteFileList& list, int index, int nowYear,
                                        int nowMonth);

// Size, date, permissions and the link mark of each row, from the file system, for the rows
// of the local folder `dir`.
void FillLocalDetails(std::vector<PaneRow>& rows, const std::string& dir);

// A number that orders listing dates: "Mar 14 09:12" (a date of the last twelve months, as
// ls writes it), "Dec  1  2023", "3月 14 09:12", "2023-11-30 18:45"; 0 for other texts.
// `nowYear` and `nowMonth` (1-12) place a date given without a year.
[[nodiscard]] std::int64_t ListingDateKey(const std::string& dateText, int nowYear, int nowMonth);

} // namespace tarnwick
