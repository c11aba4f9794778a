/* SPDX-License-Identifier: GPL-2.0-or-later */
/*
 * The dissector's view of the tav library: plain C data in and out.
 *
 * The dissector (C) never calls C++ and the library (C++) never calls Wireshark: Wireshark's
 * exceptions are longjmps, which must not cross C++ frames, and C++ exceptions must not reach
 * Wireshark. Every function here catches everything and reports failure by its result. What a
 * call returns is allocated through the caller's allocator (Wireshark's packet pool), so that
 * nothing leaks when Wireshark unwinds a dissection.
 */
#ifndef TAV_WIRESHARK_BRIDGE_H
#define TAV_WIRESHARK_BRIDGE_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Allocates size bytes for the current packet; returns NULL on failure. */
typedef void *(*tav_alloc_fn)(void *context, size_t size);

/* What a registered field holds, and so how the dissector adds it. */
typedef enum {
  TAV_HF_INT,   /* a number or a count (FT_INT64) */
  TAV_HF_BOOL,  /* a boolean (FT_BOOLEAN) */
  TAV_HF_ENUM,  /* an enumeration's ordinal, with its names (FT_UINT32 and a value string) */
  TAV_HF_TEXT,  /* a text (FT_STRING) */
  TAV_HF_RECORD /* a record's subtree (FT_NONE) */
} tav_hf_kind;

/* One name of an enumeration. */
typedef struct {
  uint32_t value;
  const char *name;
} tav_enum_name;

/* One field the dissector registers: every schema pattern of every version, once, and the
 * records they lie in. The strings live as long as the process. */
typedef struct {
  const char *filter; /* "tav.actors.player.hp": only [a-z0-9_.] */
  const char *name;   /* "actors[].player.hp": the schema pattern */
  const char *blurb;  /* the type and the versions that have the field */
  tav_hf_kind kind;
  const tav_enum_name *names; /* kind TAV_HF_ENUM: the enumeration's names, sorted by value */
  size_t name_count;
} tav_hf_def;

/* The registered fields; *count receives their number. NULL (and 0) when they can't be made. */
const tav_hf_def *tav_bridge_fields(size_t *count);

/* The known versions, oldest first, NULL-terminated ("7.6", "8.0", "8.4"). */
const char *const *tav_bridge_versions(void);

/* What the bytes at the start of a run hold (the library's MessageStatus). */
typedef enum {
  TAV_COMPLETE,
  TAV_NEED_HEADER,
  TAV_NEED_BODY,
  TAV_BAD_TEXT_COUNT,
  TAV_BAD_LENGTH,
  TAV_NEGATIVE_LENGTH,
  TAV_TOO_LARGE,
  TAV_FAILED /* the bridge itself failed */
} tav_status;

/* A message's framing, as far as the bytes show it. */
typedef struct {
  tav_status status;
  /* Set when the header is complete (TAV_COMPLETE, TAV_NEED_BODY, TAV_TOO_LARGE). */
  size_t header_size;
  uint64_t length; /* the body size the header announces */
  /* The message's size when the header is complete, else the fewest bytes it can take. */
  uint64_t size;
  /* The header's text (set when it is complete): where it lies and whether it looks like a
   * header of ours (printable, an event of sane length), for the heuristic dissector. */
  size_t text_offset;
  size_t text_length;
  int plausible;
} tav_frame;

/* Reads the framing of the message at data[0, size); limit bounds the message's size
 * (TAV_TOO_LARGE above it). Returns 0, or -1 with status TAV_FAILED. */
int tav_bridge_frame(const uint8_t *data, size_t size, uint64_t limit, tav_frame *out);

/* The first offset in data[from, size) where a plausible header starts (complete, within
 * limit); size when there is none. */
size_t tav_bridge_resync(const uint8_t *data, size_t size, size_t from, uint64_t limit);

/* How a field's value is added to the tree. */
typedef enum {
  TAV_VALUE_INT,   /* number holds it */
  TAV_VALUE_BOOL,  /* number is 0 or 1 */
  TAV_VALUE_ENUM,  /* number holds the ordinal */
  TAV_VALUE_TEXT,  /* text[0, text_length) holds the raw bytes */
  TAV_VALUE_NULL,  /* an absent value (an empty slot) */
  TAV_VALUE_UNREAD /* the field could not be read */
} tav_value_kind;

/* The deepest nesting of records the dissector shows. */
#define TAV_MAX_DEPTH 4

/* One field as the annotation reports it. */
typedef struct {
  const char *path;  /* "actors[0].instances[1].hp" */
  const char *label; /* the path within its record: "hp", "instances.count" */
  const char *value; /* the annotation's value text */
  size_t offset;     /* from the message's first byte */
  size_t length;
  int hf; /* index into tav_bridge_fields(); -1 for none */
  tav_value_kind kind;
  int64_t number;
  const char *text;
  size_t text_length;
  /* The records the field lies in, outermost first: their field (index into
   * tav_bridge_fields()), their label ("actors[0]", "player") and their path. */
  unsigned depth;
  int record_hf[TAV_MAX_DEPTH];
  const char *record_label[TAV_MAX_DEPTH];
  const char *record_path[TAV_MAX_DEPTH];
} tav_field;

/* One version's quiet read of the body. */
typedef struct {
  const char *version;
  int result; /* 0 exact, 1 ran out, 2 bytes left over */
  size_t consumed;
  size_t leftover;
  size_t stopped_at;
} tav_trial;

/* A whole message, decoded for the tree. */
typedef struct tav_dissection {
  tav_frame frame;
  const char *status_text; /* the framing's status, such as "bad text count" */
  /* The header's texts (NUL-terminated copies; may hold any byte but NUL) and where the event
   * and payload lie, from the message's first byte. */
  const char *event;
  const char *payload;
  size_t event_offset, event_length;
  size_t payload_offset, payload_length;
  /* The header's own fields (text count, text, length) as the annotation reports them. */
  tav_field *header_fields;
  size_t header_field_count;
  /* Set when the header is complete. */
  const char *version; /* the version the body is read in */
  const char *choice;  /* how it was chosen */
  int forced;          /* chosen by the caller, not detected */
  int exact;           /* the chosen version reads the body exactly */
  const char *named;   /* the version the payload names; NULL for none */
  int named_exact;     /* the named version reads the body exactly */
  tav_trial trials[3];
  size_t trial_count;
  /* The body's fields, offsets from the message's first byte. */
  tav_field *fields;
  size_t field_count;
  /* What the read in the chosen version found (offsets from the message's first byte). */
  int complete;
  size_t consumed;
  size_t leftover;
  size_t stopped_at;
  const char *stopped_field;
  /* The Info column's line, such as "game_state 8.4 round=2 actors=2 (74 bytes)". */
  const char *summary;
  /* Set when the bridge failed (then nothing else need be set). */
  const char *error;
} tav_dissection;

/* Decodes the message at data[0, size): the bytes captured, which may end before the message
 * does. forced names the version to read the body in, or is NULL to detect it. Everything
 * returned is allocated through alloc. Returns 0, or -1 with out->error set (when it could be
 * allocated). */
int tav_bridge_dissect(const uint8_t *data, size_t size, uint64_t limit, const char *forced,
                       tav_alloc_fn alloc, void *context, tav_dissection *out);

#ifdef __cplusplus
}
#endif

#endif
