// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "keycheck/Formats.h"

#include <csetjmp>
#include <cstdio>

#include <jerror.h>
#include <jpeglib.h>

#include <algorithm>
#include <array>
#include <vector>

namespace quibex::keycheck {

namespace {

// Entropy-coded bytes decoded past the first scan's start: a garbled stream
// shows well within them, and decoding more only costs time. Progressive
// scans cost far more per byte, as each touches the coefficients of the
// whole image.
constexpr std::size_t kEntropyBudget = std::size_t{32} * 1024;
constexpr std::size_t kProgressiveBudget = std::size_t{4} * 1024;
constexpr long kMaxMemory = 64L * 1024 * 1024;
constexpr std::array<JOCTET, 2> kFakeEnd{0xff, JPEG_EOI};
constexpr int kLosslessFrame = 0xc3;

// Errors that say what libjpeg cannot do, not what the file got wrong.
bool isLimitation(int code)
{
    switch (code) {
    case JERR_ARITH_NOTIMPL:
    case JERR_BAD_PRECISION:
    case JERR_CCIR601_NOTIMPL:
    case JERR_CONVERSION_NOTIMPL:
    case JERR_EMS_READ:
    case JERR_EMS_WRITE:
    case JERR_FRACT_SAMPLE_NOTIMPL:
    case JERR_NOTIMPL:
    case JERR_NOT_COMPILED:
    case JERR_NO_BACKING_STORE:
    case JERR_OUT_OF_MEMORY:
    case JERR_QUANT_COMPONENTS:
    case JERR_TFILE_CREATE:
    case JERR_TFILE_READ:
    case JERR_TFILE_SEEK:
    case JERR_TFILE_WRITE:
    case JERR_VIRTUAL_BUG:
    case JERR_WIDTH_OVERFLOW:
    case JERR_XMS_READ:
    case JERR_XMS_WRITE:
        return true;
    default:
        return false;
    }
}

// Warnings libjpeg gives for entropy-coded data or markers that are wrong.
bool isCorruption(const jpeg_error_mgr& err)
{
    switch (err.msg_code) {
    case JWRN_HUFF_BAD_CODE:
    case JWRN_HIT_MARKER:
    case JWRN_MUST_RESYNC:
    case JWRN_NOT_SEQUENTIAL:
    case JWRN_BOGUS_PROGRESSION:
        return true;
    case JWRN_EXTRANEOUS_DATA:
        // Encoders pad before the end marker; anywhere else it is garbage.
        return err.msg_parm.i[1] != JPEG_EOI;
    default:
        return false;
    }
}

// libjpeg reads no lossless files; one is real when its marker segments
// chain up to a scan that names a predictor, which a garbled marker type of
// another process does not. Segments past the bytes give it the benefit of
// the doubt.
bool isLosslessFile(std::span<const std::uint8_t> bytes)
{
    const ByteReader in(bytes);
    std::size_t at = 2;
    for (;;) {
        const auto fill = in.u8(at), marker = in.u8(at + 1);
        const auto length = in.be16(at + 2);
        if (!fill || !marker || !length) {
            return true;
        }
        if (*fill != 0xff) {
            return false;
        }
        if (*marker == 0xda) {
            const std::size_t range = at + 5 + 2 * std::size_t(in.u8(at + 4).value_or(0));
            const auto start = in.u8(range), end = in.u8(range + 1);
            return !start || !end || (*start >= 1 && *start <= 7 && *end == 0);
        }
        at += 2 + std::size_t(*length);
    }
}

class Decoder
{
public:
    explicit Decoder(const Beginning& file) : m_file(file) {}

    Structure judge()
    {
        m_info.err = jpeg_std_error(&m_errors.pub);
        m_errors.pub.error_exit = errorExit;
        m_errors.pub.emit_message = emitMessage;
        m_errors.pub.output_message = [](j_common_ptr) {};
        m_errors.owner = this;
        if (setjmp(m_errors.jump) != 0) {
            jpeg_destroy_decompress(&m_info);
            return m_verdict;
        }
        jpeg_create_decompress(&m_info);
        m_info.mem->max_memory_to_use = kMaxMemory;
        installSource();
        m_verdict = decode();
        jpeg_destroy_decompress(&m_info);
        return m_verdict;
    }

private:
    struct ErrorManager
    {
        jpeg_error_mgr pub;
        std::jmp_buf jump;
        Decoder* owner;
    };
    struct SourceManager
    {
        jpeg_source_mgr pub;
        Decoder* owner;
    };

    static Decoder& of(j_common_ptr info)
    {
        return *reinterpret_cast<ErrorManager*>(info->err)->owner;
    }
    static Decoder& of(j_decompress_ptr info)
    {
        return *reinterpret_cast<SourceManager*>(info->src)->owner;
    }

    static void errorExit(j_common_ptr info)
    {
        Decoder& self = of(info);
        const int code = info->err->msg_code;
        if (isLimitation(code) ||
            (code == JERR_SOF_UNSUPPORTED && info->err->msg_parm.i[0] == kLosslessFrame &&
             isLosslessFile(self.m_file.bytes))) {
            self.m_verdict = Structure::Unknown;
        } else {
            self.m_verdict = self.m_cut ? self.cutVerdict() : Structure::Broken;
        }
        std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
    }

    static void emitMessage(j_common_ptr info, int level)
    {
        Decoder& self = of(info);
        if (level < 0 && !self.m_cut && isCorruption(*info->err)) {
            self.m_corrupt = true;
        }
    }

    static void initSource(j_decompress_ptr) {}
    static void termSource(j_decompress_ptr) {}

    // The bytes are all given at once: asking for more means the read cut
    // the file here, so an end marker stands in for the rest.
    static boolean fillInput(j_decompress_ptr info)
    {
        Decoder& self = of(info);
        self.m_cut = true;
        info->src->next_input_byte = kFakeEnd.data();
        info->src->bytes_in_buffer = kFakeEnd.size();
        return TRUE;
    }

    static void skipInput(j_decompress_ptr info, long count)
    {
        if (count <= 0) {
            return;
        }
        jpeg_source_mgr& src = *info->src;
        if (std::size_t(count) <= src.bytes_in_buffer) {
            src.next_input_byte += count;
            src.bytes_in_buffer -= std::size_t(count);
            return;
        }
        Decoder& self = of(info);
        const std::uint64_t target = self.position() + std::uint64_t(count);
        if (!self.m_cut && target > self.m_file.fileSize) {
            self.m_overrun = true;
        }
        fillInput(info);
    }

    void installSource()
    {
        m_source.owner = this;
        m_source.pub.init_source = initSource;
        m_source.pub.fill_input_buffer = fillInput;
        m_source.pub.skip_input_data = skipInput;
        m_source.pub.resync_to_restart = jpeg_resync_to_restart;
        m_source.pub.term_source = termSource;
        m_source.pub.next_input_byte = m_file.bytes.data();
        m_source.pub.bytes_in_buffer = m_file.bytes.size();
        m_info.src = &m_source.pub;
    }

    // Offset of the next byte libjpeg reads, while it reads the given bytes.
    std::size_t position() const
    {
        return m_cut ? m_file.bytes.size() : m_file.bytes.size() - m_source.pub.bytes_in_buffer;
    }

    Structure cutVerdict() const
    {
        if (m_corrupt || m_overrun) {
            return Structure::Broken;
        }
        // Cut inside the headers: nothing past them was checked.
        return m_scanStart == 0 ? Structure::Unknown : Structure::Holds;
    }

    Structure decode()
    {
        if (jpeg_read_header(&m_info, TRUE) != JPEG_HEADER_OK) {
            return Structure::Unknown;
        }
        if (m_corrupt || m_overrun) {
            return Structure::Broken;
        }
        m_scanStart = position();
        m_info.scale_num = 1;
        m_info.scale_denom = 8;
        m_info.do_fancy_upsampling = FALSE;
        m_info.dct_method = JDCT_IFAST;
        if (m_info.jpeg_color_space == JCS_YCbCr || m_info.jpeg_color_space == JCS_GRAYSCALE) {
            m_info.out_color_space = JCS_GRAYSCALE;
        }
        const bool progressive = jpeg_has_multiple_scans(&m_info);
        m_info.buffered_image = progressive ? TRUE : FALSE;
        if (!jpeg_start_decompress(&m_info)) {
            return Structure::Unknown;
        }
        return progressive ? consumeScans() : readRows();
    }

    bool withinBudget(std::size_t budget) const
    {
        return !m_cut && !m_corrupt && position() < m_scanStart + budget;
    }

    Structure consumeScans()
    {
        while (withinBudget(kProgressiveBudget)) {
            const int status = jpeg_consume_input(&m_info);
            if (status == JPEG_REACHED_EOI || status == JPEG_SUSPENDED) {
                break;
            }
        }
        return m_corrupt || m_overrun ? Structure::Broken : Structure::Holds;
    }

    Structure readRows()
    {
        const std::size_t width = m_info.output_width * std::size_t(m_info.output_components);
        m_row.assign(width, 0);
        JSAMPROW rows[1] = {m_row.data()};
        while (m_info.output_scanline < m_info.output_height && withinBudget(kEntropyBudget)) {
            jpeg_read_scanlines(&m_info, rows, 1);
        }
        return m_corrupt || m_overrun ? Structure::Broken : Structure::Holds;
    }

    const Beginning& m_file;
    jpeg_decompress_struct m_info{};
    ErrorManager m_errors{};
    SourceManager m_source{};
    std::vector<JSAMPLE> m_row;
    std::size_t m_scanStart = 0;
    Structure m_verdict = Structure::Unknown;
    bool m_cut = false;
    bool m_corrupt = false;
    bool m_overrun = false;
};

} // namespace

Structure judgeJpeg(const Beginning& file)
{
    Decoder decoder(file);
    return decoder.judge();
}

} // namespace quibex::keycheck
