#pragma once

// The functions behind a Version, made from its Format: each drives the one layout of the body
// with another visitor.

#include <cstddef>
#include <cstdint>
#include <ostream>

#include "layout.h"
#include "protocol/version.h"
#include "visitors.h"

// The whole walk of a body is inlined into each of these functions: the visitor and its
// target then stay local objects whose fields live in registers. Where a layout routine stays
// a call of its own, every byte the writer stores could alias the writer's own position (bytes
// may alias anything), so the position would be reloaded from memory after each store.
#if defined(__GNUC__) || defined(__clang__)
#define TAV_FLATTEN __attribute__((flatten))
#else
#define TAV_FLATTEN
#endif

namespace tav {
namespace protocol {
namespace detail {

template <const Format& F, bool kReplace>
TAV_FLATTEN ReadOutcome readQuietAs(tav::GameState& state, const uint8_t* data, std::size_t size) {
  QuietSink sink;
  Reader<QuietSink, kReplace> reader(data, size, sink);
  gameStateLayout<F>(reader, state);
  return reader.outcome();
}

template <const Format& F>
ReadOutcome readQuiet(tav::GameState& state, const uint8_t* data, std::size_t size, ReadMode mode) {
  return mode == ReadMode::kReplace ? readQuietAs<F, true>(state, data, size)
                                    : readQuietAs<F, false>(state, data, size);
}

template <const Format& F, bool kReplace>
ReadOutcome readDumpingAs(tav::GameState& state, const uint8_t* data, std::size_t size,
                          std::ostream& out) {
  DumpSink sink(out);
  Reader<DumpSink, kReplace> reader(data, size, sink);
  gameStateLayout<F>(reader, state);
  sink.finish();
  return reader.outcome();
}

template <const Format& F>
ReadOutcome readDumping(tav::GameState& state, const uint8_t* data, std::size_t size, ReadMode mode,
                        std::ostream& out) {
  return mode == ReadMode::kReplace ? readDumpingAs<F, true>(state, data, size, out)
                                    : readDumpingAs<F, false>(state, data, size, out);
}

template <const Format& F>
TAV_FLATTEN std::size_t sizeOf(const tav::GameState& state) {
  SizeTarget target;
  Encoder<SizeTarget> encoder(target);
  gameStateLayout<F>(encoder, state);
  return target.total();
}

// Sizes the body first, so that a body that does not fit leaves every byte untouched.
template <const Format& F>
TAV_FLATTEN std::size_t writeInto(const tav::GameState& state, uint8_t* data, std::size_t size) {
  const std::size_t needed = sizeOf<F>(state);
  if (data == nullptr || needed > size) return 0;
  ByteTarget target(data, needed);
  Encoder<ByteTarget> encoder(target);
  gameStateLayout<F>(encoder, state);
  return target.failed() || target.position() != needed ? 0 : needed;
}

template <const Format& F>
AnnotationEnd annotateBody(const uint8_t* data, std::size_t size, const FieldCallback& onField) {
  AnnotationSink sink(onField, &schemaIndexOf<F>());
  Reader<AnnotationSink> reader(data, size, sink);
  tav::GameState state;
  gameStateLayout<F>(reader, state);
  AnnotationEnd end;
  end.outcome = reader.outcome();
  end.stoppedField = sink.stoppedField();
  return end;
}

template <const Format& F>
constexpr Version::Functions functionsOf() {
  return Version::Functions{&readQuiet<F>, &readDumping<F>,  &sizeOf<F>,
                            &writeInto<F>, &annotateBody<F>, &schemaOf<F>};
}

}  // namespace detail
}  // namespace protocol
}  // namespace tav
