// Ids of the runtime's resources, shared by its resource script and its code.
#pragma once

#define STANDIN_CURSOR_POINTER 101  // resources/pointer.cur, hotspot (3, 5); the other cursor,
                                    // resources/ring.cur with hotspot (16, 16), is named
                                    // LEAFMARKRING
#define STANDIN_MENU 201
