#pragma once

// Hands the heap's free memory back to the system. A large answer or a dropped client's buffers free their
// memory inside the program's heap, which otherwise keeps it for good: a server that once built a large
// answer would stay that large.
void giveMemoryBack();
