// Resource ids of the start-up: its own texts. The Dutch text of an id is
// the English id plus kDutchOwnTexts (state/own_texts.h).
#pragma once

#define IDS_RUN_BUSY 412
