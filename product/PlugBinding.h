#pragma once

// The host binding the product derives from is chosen by the deliverable it is built
// into: the build names the binding's header and class (QUENMARK_BINDING_HEADER,
// QUENMARK_BINDING_CLASS) and whether the deliverable is the AAX one.
#if !defined(QUENMARK_BINDING_HEADER) || !defined(QUENMARK_BINDING_CLASS)
#error "build the product through quenmark_add_product(), which names its binding"
#endif

#include QUENMARK_BINDING_HEADER

using PlugBinding = QUENMARK_BINDING_CLASS;

#ifndef QUENMARK_DELIVERABLE_AAX
#define QUENMARK_DELIVERABLE_AAX 0
#endif
