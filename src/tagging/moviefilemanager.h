#pragma once

// The movie file manager: finding and loading movie files, titles and file
// names, saving and renaming. Its operations live in three parts by concern.
#include "tagging/moviefileloading.h"
#include "tagging/moviefilenaming.h"
#include "tagging/moviefilesaving.h"
