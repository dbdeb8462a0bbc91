// How the process takes memory and address space: large blocks go back to the system as soon as
// they are freed, and a process under an address-space limit starts its threads with small
// stacks and one malloc arena, so that the limit leaves room for a thread whenever a decoder
// asks for one.
#pragma once

namespace albumon {

// Blocks of kOwnMappingBytes and more get mappings of their own, returned when freed (malloc
// would otherwise raise that bound up to 32 MiB as it frees them, and keep the freed pictures'
// memory in its heap). Under a finite RLIMIT_AS besides: new threads get kCappedThreadStack bytes
// of stack unless they ask for their own size, and malloc keeps one arena for all threads (each
// further arena reserves 64 MiB). Called once at program start, before any thread.
void SetUpProcessMemory();

inline constexpr int kOwnMappingBytes = 1 << 20;
// The stack a thread gets under an address-space limit: ample for the codecs' deepest calls.
inline constexpr unsigned long kCappedThreadStack = 1ul << 20;

}  // namespace albumon
