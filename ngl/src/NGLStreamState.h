// Whether a record read or write left its stream usable. gp's streams report "at its end" after a
// read or write that ends exactly at the end of the data; that is a success for a record, so only a
// closed or failed stream counts as a failure here.
#pragma once

#include "GPBinaryStream.h"

inline bool nglStreamOk(const BinaryStream& stream) {
  const Stream* s = stream.stream();
  return s && (s->state() == kStreamOpen || s->state() == kStreamAtEnd);
}
