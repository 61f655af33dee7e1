// Message boxes live with the option pages, the lowest layer of windows; the application's
// code reaches them under this name too.
#pragma once

#include "pages/message_box.h"
