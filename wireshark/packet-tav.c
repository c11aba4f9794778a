/* SPDX-License-Identifier: GPL-2.0-or-later */
/*
 * The Wireshark dissector of tav game-state messages: a header (a text "event[ payload]"
 * and a varint length), then a body in one of the protocol versions.
 *
 * Everything Wireshark-facing is here, in C; the library's framing, version detection and
 * annotation come through the plain C interface of bridge.h, so that no Wireshark exception
 * (a longjmp) ever crosses a C++ frame and no C++ exception reaches Wireshark.
 */
#include <inttypes.h>
#include <string.h>

#include <epan/packet.h>

#include <epan/charsets.h>
#include <epan/conversation.h>
#include <epan/dissectors/packet-tcp.h>
#include <epan/expert.h>
#include <epan/prefs.h>
#include <epan/proto_data.h>
#include <ws_version.h>

#include "bridge.h"

#ifndef TAV_PLUGIN_VERSION
#define TAV_PLUGIN_VERSION "0.0.0"
#endif

WS_DLL_PUBLIC_DEF const gchar plugin_version[] = TAV_PLUGIN_VERSION;
WS_DLL_PUBLIC_DEF const int plugin_want_major = WIRESHARK_VERSION_MAJOR;
WS_DLL_PUBLIC_DEF const int plugin_want_minor = WIRESHARK_VERSION_MINOR;
WS_DLL_PUBLIC void plugin_register(void);

#define TAV_DEFAULT_LIMIT (16u << 20)

static int proto_tav = -1;
static dissector_handle_t tav_handle;

/* Fields of the dissector's own. */
static int hf_tav_header = -1;
static int hf_tav_version = -1;
static int hf_tav_version_choice = -1;
static int hf_tav_version_trial = -1;
static int hf_tav_body = -1;
static int hf_tav_null = -1;
static int hf_tav_unread = -1;
static int hf_tav_leftover = -1;
static int hf_tav_skipped = -1;

/* The fields of the library's schema (tav_bridge_fields()), by index. */
static const tav_hf_def *tav_defs;
static size_t tav_def_count;
static int *hf_tav_defs;
static gint *ett_tav_defs;

static gint ett_tav = -1;
static gint ett_tav_header = -1;
static gint ett_tav_version = -1;
static gint ett_tav_body = -1;

static expert_field ei_tav_ran_out = EI_INIT;
static expert_field ei_tav_leftover = EI_INIT;
static expert_field ei_tav_bad_header = EI_INIT;
static expert_field ei_tav_too_large = EI_INIT;
static expert_field ei_tav_cut_short = EI_INIT;
static expert_field ei_tav_no_exact = EI_INIT;
static expert_field ei_tav_named_mismatch = EI_INIT;
static expert_field ei_tav_forced_inexact = EI_INIT;
static expert_field ei_tav_unknown_version = EI_INIT;
static expert_field ei_tav_failed = EI_INIT;

/* Preferences. */
static gboolean tav_desegment = TRUE;
static guint tav_limit = TAV_DEFAULT_LIMIT;
static gint tav_forced_version = 0; /* 0: detect; i: tav_bridge_versions()[i - 1] */
static const char *const *tav_versions;

static void *
tav_packet_alloc(void *context, size_t size)
{
    return wmem_alloc((wmem_allocator_t *)context, size);
}

static const char *
tav_forced(void)
{
    if (tav_forced_version <= 0 || tav_versions == NULL)
        return NULL;
    for (gint i = 0; tav_versions[i] != NULL; i++) {
        if (i == tav_forced_version - 1)
            return tav_versions[i];
    }
    return NULL;
}

/* The bytes of tvb from offset that were captured, as one pointer. */
static const guint8 *
tav_bytes(tvbuff_t *tvb, gint offset, guint *length)
{
    *length = tvb_captured_length_remaining(tvb, offset);
    if (*length == 0)
        return NULL;
    return tvb_get_ptr(tvb, offset, *length);
}

static guint
get_tav_pdu_len(packet_info *pinfo, tvbuff_t *tvb, int offset, void *data _U_)
{
    guint captured;
    const guint8 *bytes = tav_bytes(tvb, offset, &captured);
    guint reported = tvb_reported_length_remaining(tvb, offset);
    tav_frame frame;

    if (bytes == NULL || tav_bridge_frame(bytes, captured, tav_limit, &frame) != 0)
        return reported > 0 ? reported : 1;
    switch (frame.status) {
    case TAV_COMPLETE:
    case TAV_NEED_BODY:
        /* At most the limit, which is a guint. */
        return (guint)frame.size;
    case TAV_NEED_HEADER:
        /* More bytes can only come when the capture holds the whole segment. */
        if (captured == reported && tav_desegment && pinfo->can_desegment)
            return 0;
        return reported;
    default:
        /* Malformed or too large: never waited for. Whatever comes before the next plausible
         * header in these bytes is one broken message. */
        return (guint)tav_bridge_resync(bytes, captured, 1, tav_limit);
    }
}

/* Adds a field at [offset, offset + length) of tvb, clamped to the bytes captured. */
static proto_item *
tav_add_field(proto_tree *tree, tvbuff_t *tvb, packet_info *pinfo, const tav_field *field)
{
    guint captured = tvb_captured_length(tvb);
    gint offset = field->offset < captured ? (gint)field->offset : (gint)captured;
    gint length = field->length < captured - (guint)offset ? (gint)field->length
                                                           : (gint)(captured - (guint)offset);
    int hf = field->hf >= 0 && (size_t)field->hf < tav_def_count ? hf_tav_defs[field->hf] : -1;
    const char *label = field->label ? field->label : "?";
    const char *value = field->value ? field->value : "";

    if (hf < 0 && field->kind != TAV_VALUE_UNREAD)
        return proto_tree_add_none_format(tree, hf_tav_null, tvb, offset, length, "%s: %s", label,
                                          value);
    switch (field->kind) {
    case TAV_VALUE_INT:
        return proto_tree_add_int64_format(tree, hf, tvb, offset, length, field->number, "%s: %s",
                                           label, value);
    case TAV_VALUE_BOOL:
        return proto_tree_add_boolean_format(tree, hf, tvb, offset, length,
                                             field->number != 0, "%s: %s", label, value);
    case TAV_VALUE_ENUM:
        return proto_tree_add_uint_format(tree, hf, tvb, offset, length, (guint32)field->number,
                                          "%s: %s", label, value);
    case TAV_VALUE_TEXT: {
        /* Filters and columns see the text as valid UTF-8; the label shows its bytes. */
        gint text_length =
            field->text_length > G_MAXINT32 / 2 ? G_MAXINT32 / 2 : (gint)field->text_length;
        const guint8 *text = (const guint8 *)(field->text ? field->text : "");
        return proto_tree_add_string_format(tree, hf, tvb, offset, length,
                                            (const char *)get_utf_8_string(pinfo->pool, text,
                                                                           text_length),
                                            "%s: %s", label, value);
    }
    case TAV_VALUE_NULL:
        return proto_tree_add_none_format(tree, hf_tav_null, tvb, offset, length, "%s: %s", label,
                                          value);
    case TAV_VALUE_UNREAD:
    default:
        return proto_tree_add_none_format(tree, hf_tav_unread, tvb, offset, 0, "%s: %s", label,
                                          value[0] ? value : "(not read)");
    }
}

/* The records open while the body's fields are added. */
typedef struct {
    proto_tree *tree[TAV_MAX_DEPTH + 1];
    proto_item *item[TAV_MAX_DEPTH + 1];
    const char *path[TAV_MAX_DEPTH + 1];
    size_t start[TAV_MAX_DEPTH + 1];
    size_t end[TAV_MAX_DEPTH + 1];
    unsigned open;
} tav_records;

static void
tav_close_records(tav_records *records, unsigned keep)
{
    while (records->open > keep) {
        unsigned level = records->open;
        if (records->item[level])
            proto_item_set_len(records->item[level],
                               (gint)(records->end[level] - records->start[level]));
        records->open--;
    }
}

/* Adds the body's fields under tree, each inside subtrees of the records it lies in. */
static proto_item *
tav_add_body(proto_tree *tree, tvbuff_t *tvb, packet_info *pinfo, const tav_dissection *d)
{
    tav_records records;
    proto_item *stopped = NULL;
    guint captured = tvb_captured_length(tvb);

    memset(&records, 0, sizeof records);
    records.tree[0] = tree;
    for (size_t i = 0; i < d->field_count; i++) {
        const tav_field *field = &d->fields[i];
        unsigned depth = field->depth > TAV_MAX_DEPTH ? TAV_MAX_DEPTH : field->depth;
        unsigned keep = 0;
        proto_item *item;

        while (keep < records.open && keep < depth && field->record_path[keep] &&
               strcmp(records.path[keep + 1], field->record_path[keep]) == 0)
            keep++;
        tav_close_records(&records, keep);
        while (records.open < depth) {
            unsigned level = records.open;
            int def = field->record_hf[level];
            int hf = def >= 0 && (size_t)def < tav_def_count ? hf_tav_defs[def] : hf_tav_null;
            gint ett = def >= 0 && (size_t)def < tav_def_count ? ett_tav_defs[def] : ett_tav_body;
            gint offset = field->offset < captured ? (gint)field->offset : (gint)captured;
            proto_item *record = proto_tree_add_none_format(
                records.tree[level], hf, tvb, offset, 0, "%s",
                field->record_label[level] ? field->record_label[level] : "?");
            records.open++;
            records.item[records.open] = record;
            records.tree[records.open] = proto_item_add_subtree(record, ett);
            records.path[records.open] = field->record_path[level] ? field->record_path[level] : "";
            records.start[records.open] = (size_t)offset;
            records.end[records.open] = (size_t)offset;
        }
        item = tav_add_field(records.tree[records.open], tvb, pinfo, field);
        for (unsigned level = 1; level <= records.open; level++) {
            size_t end = field->offset + field->length;
            if (end > captured)
                end = captured;
            if (end > records.end[level])
                records.end[level] = end;
        }
        if (field->kind == TAV_VALUE_UNREAD && stopped == NULL)
            stopped = item;
    }
    tav_close_records(&records, 0);
    return stopped;
}

static const char *
tav_trial_text(packet_info *pinfo, const tav_trial *trial)
{
    switch (trial->result) {
    case 0:
        return wmem_strdup_printf(pinfo->pool, "%s: reads the body exactly", trial->version);
    case 1:
        return wmem_strdup_printf(pinfo->pool, "%s: runs out at byte %zu of the body",
                                  trial->version, trial->stopped_at);
    default:
        return wmem_strdup_printf(pinfo->pool, "%s: leaves %zu bytes after %zu", trial->version,
                                  trial->leftover, trial->consumed);
    }
}

static int
dissect_tav_pdu(tvbuff_t *tvb, packet_info *pinfo, proto_tree *tree, void *data _U_)
{
    guint captured;
    const guint8 *bytes = tav_bytes(tvb, 0, &captured);
    guint reported = tvb_reported_length(tvb);
    tav_dissection d;
    proto_item *ti, *header_item, *item;
    proto_tree *tav_tree, *header_tree;
    gboolean header_complete;
    const char *summary;

    col_set_str(pinfo->cinfo, COL_PROTOCOL, "TAV");
    /* The first message of a frame replaces the Info column; the others join it. */
    if (p_get_proto_data(pinfo->pool, pinfo, proto_tav, 0) == NULL) {
        col_clear(pinfo->cinfo, COL_INFO);
        p_add_proto_data(pinfo->pool, pinfo, proto_tav, 0, GUINT_TO_POINTER(1));
    }

    ti = proto_tree_add_item(tree, proto_tav, tvb, 0, -1, ENC_NA);
    tav_tree = proto_item_add_subtree(ti, ett_tav);
    if (bytes == NULL ||
        tav_bridge_dissect(bytes, captured, tav_limit, tav_forced(), tav_packet_alloc, pinfo->pool,
                           &d) != 0) {
        col_append_sep_str(pinfo->cinfo, COL_INFO, "; ", "undecodable message");
        expert_add_info_format(pinfo, ti, &ei_tav_failed, "The message could not be decoded: %s",
                               bytes == NULL ? "no bytes captured"
                               : d.error     ? d.error
                                             : "out of memory");
        return reported;
    }

    summary = d.summary ? d.summary : "message";
    if (captured < reported)
        summary = wmem_strdup_printf(pinfo->pool, "%s [cut short by the capture]", summary);
    col_append_sep_str(pinfo->cinfo, COL_INFO, "; ", summary);
    proto_item_append_text(ti, ", %s", summary);

    header_complete = d.frame.status == TAV_COMPLETE || d.frame.status == TAV_NEED_BODY ||
                      d.frame.status == TAV_TOO_LARGE;
    header_item = proto_tree_add_none_format(
        tav_tree, hf_tav_header, tvb, 0,
        header_complete && d.frame.header_size <= captured ? (gint)d.frame.header_size
                                                           : (gint)captured,
        "Header");
    header_tree = proto_item_add_subtree(header_item, ett_tav_header);
    for (size_t i = 0; i < d.header_field_count; i++)
        tav_add_field(header_tree, tvb, pinfo, &d.header_fields[i]);

    switch (d.frame.status) {
    case TAV_BAD_TEXT_COUNT:
    case TAV_BAD_LENGTH:
    case TAV_NEGATIVE_LENGTH:
    {
        /* The bytes after the header's fields, up to the next plausible header. */
        size_t end = 0;
        expert_add_info_format(pinfo, header_item, &ei_tav_bad_header, "Malformed header: %s",
                               d.status_text ? d.status_text : "?");
        for (size_t i = 0; i < d.header_field_count; i++) {
            size_t field_end = d.header_fields[i].offset + d.header_fields[i].length;
            if (field_end > end)
                end = field_end;
        }
        if (end < captured)
            proto_tree_add_item(tav_tree, hf_tav_skipped, tvb, (gint)end, -1, ENC_NA);
        return reported;
    }
    case TAV_TOO_LARGE:
        expert_add_info_format(pinfo, header_item, &ei_tav_too_large,
                               "The header announces a body of %" PRIu64
                               " bytes: more than the limit of %u bytes in all "
                               "(preference tav.max_message_size); not reassembled",
                               d.frame.length, tav_limit);
        if (reported > d.frame.header_size)
            proto_tree_add_item(tav_tree, hf_tav_skipped, tvb, (gint)d.frame.header_size, -1,
                                ENC_NA);
        return reported;
    case TAV_NEED_HEADER:
        expert_add_info_format(pinfo, header_item, &ei_tav_cut_short,
                               "Message cut short: the header is not complete in the %u bytes "
                               "there are",
                               captured);
        return reported;
    case TAV_NEED_BODY:
        expert_add_info_format(pinfo, ti, &ei_tav_cut_short,
                               "Message cut short: %u of its %" PRIu64 " bytes are there",
                               captured, d.frame.size);
        break;
    default:
        break;
    }

    /* The version and how it was chosen. */
    item = proto_tree_add_string_format(tav_tree, hf_tav_version, tvb, 0, 0, d.version,
                                        "Version: %s (%s)", d.version, d.choice);
    proto_item_set_generated(item);
    {
        proto_tree *version_tree = proto_item_add_subtree(item, ett_tav_version);
        proto_item *sub = proto_tree_add_string(version_tree, hf_tav_version_choice, tvb, 0, 0,
                                                d.choice);
        gboolean any_exact = FALSE;
        proto_item_set_generated(sub);
        for (size_t i = 0; i < d.trial_count && i < 3; i++) {
            const char *text = tav_trial_text(pinfo, &d.trials[i]);
            sub = proto_tree_add_string_format(version_tree, hf_tav_version_trial, tvb, 0, 0, text,
                                               "%s", text);
            proto_item_set_generated(sub);
            if (d.trials[i].result == 0)
                any_exact = TRUE;
        }
        if (!any_exact)
            expert_add_info_format(pinfo, item, &ei_tav_no_exact,
                                   "No version reads the body exactly; read as %s (%s)",
                                   d.version, d.choice);
        else if (d.forced && !d.exact)
            expert_add_info_format(pinfo, item, &ei_tav_forced_inexact,
                                   "Version %s (preference tav.version) does not read the body "
                                   "exactly",
                                   d.version);
        if (d.named && !d.named_exact && any_exact)
            expert_add_info_format(pinfo, item, &ei_tav_named_mismatch,
                                   "The header names version %s, which does not read the body "
                                   "exactly; read as %s (%s)",
                                   d.named, d.version, d.choice);
        else if (!d.named && d.payload && d.payload[0])
            expert_add_info_format(pinfo, item, &ei_tav_unknown_version,
                                   "The header's payload names no known version");
    }

    /* The body. */
    {
        gint body_offset = d.frame.header_size < captured ? (gint)d.frame.header_size
                                                          : (gint)captured;
        guint64 body_end = d.frame.header_size + d.frame.length;
        gint body_length = (gint)((body_end < captured ? body_end : captured) - (guint)body_offset);
        proto_item *body_item = proto_tree_add_none_format(
            tav_tree, hf_tav_body, tvb, body_offset, body_length, "Body (%" PRIu64 " bytes)",
            d.frame.length);
        proto_tree *body_tree = proto_item_add_subtree(body_item, ett_tav_body);
        proto_item *stopped = tav_add_body(body_tree, tvb, pinfo, &d);

        if (!d.complete)
            expert_add_info_format(pinfo, stopped ? stopped : body_item, &ei_tav_ran_out,
                                   "Body ran out at byte %zu of the body (byte %zu of the "
                                   "message) in field %s",
                                   d.stopped_at - d.frame.header_size, d.stopped_at,
                                   d.stopped_field && d.stopped_field[0] ? d.stopped_field
                                                                         : "?");
        if (d.leftover > 0 && d.consumed < captured) {
            gint left = (gint)(captured - d.consumed) < (gint)d.leftover
                            ? (gint)(captured - d.consumed)
                            : (gint)d.leftover;
            item = proto_tree_add_item(tav_tree, hf_tav_leftover, tvb, (gint)d.consumed, left,
                                       ENC_NA);
            expert_add_info_format(pinfo, item, &ei_tav_leftover,
                                   "%zu bytes left after the body (it ends at byte %zu of %" PRIu64
                                   ")",
                                   d.leftover, d.consumed - d.frame.header_size, d.frame.length);
        }
    }
    return reported;
}

static int
dissect_tav(tvbuff_t *tvb, packet_info *pinfo, proto_tree *tree, void *data)
{
    col_set_str(pinfo->cinfo, COL_PROTOCOL, "TAV");
    tcp_dissect_pdus(tvb, pinfo, tree, tav_desegment, 1, get_tav_pdu_len, dissect_tav_pdu, data);
    return tvb_captured_length(tvb);
}

/* A TCP payload that starts with a plausible header (a printable text of sane length whose
 * event is not empty, a length within the limit) is ours, and so is the rest of its
 * conversation. */
static gboolean
dissect_tav_heur(tvbuff_t *tvb, packet_info *pinfo, proto_tree *tree, void *data)
{
    guint captured;
    const guint8 *bytes = tav_bytes(tvb, 0, &captured);
    tav_frame frame;
    conversation_t *conversation;

    if (bytes == NULL || tav_bridge_frame(bytes, captured, tav_limit, &frame) != 0 ||
        !frame.plausible)
        return FALSE;
    conversation = find_or_create_conversation(pinfo);
    conversation_set_dissector(conversation, tav_handle);
    dissect_tav(tvb, pinfo, tree, data);
    return TRUE;
}

static void
proto_register_tav(void)
{
    static hf_register_info hf[] = {
        {&hf_tav_header, {"Header", "tav.header", FT_NONE, BASE_NONE, NULL, 0x0,
                          "The message's header", HFILL}},
        {&hf_tav_version, {"Version", "tav.version", FT_STRING, BASE_NONE, NULL, 0x0,
                           "The protocol version the body is read in", HFILL}},
        {&hf_tav_version_choice, {"How the version was chosen", "tav.version.choice", FT_STRING,
                                  BASE_NONE, NULL, 0x0, NULL, HFILL}},
        {&hf_tav_version_trial, {"Trial", "tav.version.trial", FT_STRING, BASE_NONE, NULL, 0x0,
                                 "How one version reads the body", HFILL}},
        {&hf_tav_body, {"Body", "tav.body", FT_NONE, BASE_NONE, NULL, 0x0,
                        "The message's body", HFILL}},
        {&hf_tav_null, {"Absent value", "tav.null", FT_NONE, BASE_NONE, NULL, 0x0,
                        "A field without a value (an empty optional value)", HFILL}},
        {&hf_tav_unread, {"Field not read", "tav.unread", FT_NONE, BASE_NONE, NULL, 0x0,
                          "A field the bytes ran out before", HFILL}},
        {&hf_tav_leftover, {"Bytes after the body", "tav.leftover", FT_BYTES, BASE_NONE, NULL,
                            0x0, "Bytes the header's length covers that the body does not use",
                            HFILL}},
        {&hf_tav_skipped, {"Bytes skipped", "tav.skipped", FT_BYTES, BASE_NONE, NULL, 0x0,
                           "Bytes up to the next plausible header", HFILL}},
    };
    static gint *ett[] = {&ett_tav, &ett_tav_header, &ett_tav_version, &ett_tav_body};
    static ei_register_info ei[] = {
        {&ei_tav_ran_out, {"tav.expert.ran_out", PI_MALFORMED, PI_ERROR,
                           "The body ran out before its last field", EXPFILL}},
        {&ei_tav_leftover, {"tav.expert.leftover", PI_PROTOCOL, PI_WARN,
                            "Bytes left after the body", EXPFILL}},
        {&ei_tav_bad_header, {"tav.expert.bad_header", PI_MALFORMED, PI_ERROR,
                              "Malformed header", EXPFILL}},
        {&ei_tav_too_large, {"tav.expert.too_large", PI_PROTOCOL, PI_ERROR,
                             "Message larger than the limit", EXPFILL}},
        {&ei_tav_cut_short, {"tav.expert.cut_short", PI_MALFORMED, PI_WARN,
                             "Message cut short", EXPFILL}},
        {&ei_tav_no_exact, {"tav.expert.no_exact_version", PI_PROTOCOL, PI_WARN,
                            "No version reads the body exactly", EXPFILL}},
        {&ei_tav_named_mismatch, {"tav.expert.version_mismatch", PI_PROTOCOL, PI_WARN,
                                  "The header names a version that does not read the body",
                                  EXPFILL}},
        {&ei_tav_forced_inexact, {"tav.expert.forced_inexact", PI_PROTOCOL, PI_WARN,
                                  "The forced version does not read the body exactly",
                                  EXPFILL}},
        {&ei_tav_unknown_version, {"tav.expert.unknown_version", PI_PROTOCOL, PI_NOTE,
                                   "The header's payload names no known version", EXPFILL}},
        {&ei_tav_failed, {"tav.expert.failed", PI_MALFORMED, PI_ERROR,
                          "The message could not be decoded", EXPFILL}},
    };
    module_t *module;
    expert_module_t *expert;
    hf_register_info *dynamic_hf;
    gint **dynamic_ett;
    enum_val_t *versions;
    size_t version_count = 0;

    proto_tav = proto_register_protocol("Tav game state", "TAV", "tav");
    proto_register_field_array(proto_tav, hf, array_length(hf));
    proto_register_subtree_array(ett, array_length(ett));

    /* One field per pattern of the library's schema, and one per record they lie in. */
    tav_defs = tav_bridge_fields(&tav_def_count);
    if (tav_defs == NULL)
        tav_def_count = 0;
    if (tav_def_count > 0) {
        dynamic_hf = g_new0(hf_register_info, tav_def_count);
        dynamic_ett = g_new0(gint *, tav_def_count);
        hf_tav_defs = g_new(int, tav_def_count);
        ett_tav_defs = g_new(gint, tav_def_count);
        for (size_t i = 0; i < tav_def_count; i++) {
            const tav_hf_def *def = &tav_defs[i];
            header_field_info *info = &dynamic_hf[i].hfinfo;
            hf_tav_defs[i] = -1;
            ett_tav_defs[i] = -1;
            dynamic_hf[i].p_id = &hf_tav_defs[i];
            dynamic_ett[i] = &ett_tav_defs[i];
            info->name = def->name;
            info->abbrev = def->filter;
            info->blurb = def->blurb;
            info->strings = NULL;
            info->bitmask = 0;
            switch (def->kind) {
            case TAV_HF_INT:
                info->type = FT_INT64;
                info->display = BASE_DEC;
                break;
            case TAV_HF_BOOL:
                info->type = FT_BOOLEAN;
                info->display = BASE_NONE;
                break;
            case TAV_HF_ENUM: {
                value_string *names = g_new0(value_string, def->name_count + 1);
                for (size_t k = 0; k < def->name_count; k++) {
                    names[k].value = def->names[k].value;
                    names[k].strptr = def->names[k].name;
                }
                info->type = FT_UINT32;
                info->display = BASE_DEC;
                info->strings = names;
                break;
            }
            case TAV_HF_TEXT:
                info->type = FT_STRING;
                info->display = BASE_NONE;
                break;
            case TAV_HF_RECORD:
            default:
                info->type = FT_NONE;
                info->display = BASE_NONE;
                break;
            }
            info->id = -1;
            info->parent = 0;
            info->ref_type = HF_REF_TYPE_NONE;
            info->same_name_prev_id = -1;
            info->same_name_next = NULL;
        }
        proto_register_field_array(proto_tav, dynamic_hf, (int)tav_def_count);
        proto_register_subtree_array(dynamic_ett, (int)tav_def_count);
    }

    expert = expert_register_protocol(proto_tav);
    expert_register_field_array(expert, ei, array_length(ei));

    tav_handle = register_dissector("tav", dissect_tav, proto_tav);

    module = prefs_register_protocol(proto_tav, NULL);
    prefs_register_bool_preference(module, "desegment", "Reassemble messages spanning TCP segments",
                                   "Whether a message split over several TCP segments is put "
                                   "together before it is decoded (TCP's \"Allow subdissectors "
                                   "to reassemble TCP streams\" must be on too)",
                                   &tav_desegment);
    prefs_register_uint_preference(module, "max_message_size", "Largest message (bytes)",
                                   "A header announcing a larger message (header and body) is "
                                   "flagged at once instead of being waited for",
                                   10, &tav_limit);

    tav_versions = tav_bridge_versions();
    while (tav_versions != NULL && tav_versions[version_count] != NULL)
        version_count++;
    versions = g_new0(enum_val_t, version_count + 2);
    versions[0].name = "auto";
    versions[0].description = "Detect it (the header's, if it reads the body exactly)";
    versions[0].value = 0;
    for (size_t i = 0; i < version_count; i++) {
        versions[i + 1].name = tav_versions[i];
        versions[i + 1].description = tav_versions[i];
        versions[i + 1].value = (gint)(i + 1);
    }
    prefs_register_enum_preference(module, "version", "Protocol version",
                                   "The version bodies are read in: detected, or this one",
                                   &tav_forced_version, versions, FALSE);
}

static void
proto_reg_handoff_tav(void)
{
    /* No default port: "Decode As" or the tav.tcp.port preference, or the heuristic. */
    dissector_add_uint_range_with_preference("tcp.port", "", tav_handle);
    heur_dissector_add("tcp", dissect_tav_heur, "Tav game state over TCP", "tav_tcp", proto_tav,
                       HEURISTIC_ENABLE);
}

void
plugin_register(void)
{
    static proto_plugin plugin;

    plugin.register_protoinfo = proto_register_tav;
    plugin.register_handoff = proto_reg_handoff_tav;
    proto_register_plugin(&plugin);
}
