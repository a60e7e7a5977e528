#include "platform/Memory.h"

#include <malloc.h>

void giveMemoryBack() { malloc_trim(0); }
