#pragma once

// The host binding the product derives from is chosen by the deliverable it is built
// into: the build names the binding's header and class (QUENMARK_BINDING_HEADER,
// QUENMARK_BINDING_CLASS). What differs between deliverables comes from the binding's
// traits record, PlugBinding::kTraits.
#if !defined(QUENMARK_BINDING_HEADER) || !defined(QUENMARK_BINDING_CLASS)
#error "build the product through quenmark_add_product(), which names its binding"
#endif

#include QUENMARK_BINDING_HEADER

using PlugBinding = QUENMARK_BINDING_CLASS;
