#pragma once

#include <zlib.h>

#include <stdexcept>
#include <string>
#include <string_view>

namespace lintrove::test {

// window_bits 31 gives gzip, 15 the zlib format of the "deflate" content encoding.
inline std::string Compress(std::string_view data, int window_bits) {
  z_stream stream{};
  if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, window_bits, 9, Z_DEFAULT_STRATEGY) !=
      Z_OK) {
    throw std::runtime_error("deflateInit2");
  }
  std::string out(deflateBound(&stream, data.size()), '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  stream.avail_in = static_cast<uInt>(data.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  deflate(&stream, Z_FINISH);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  return out;
}

// What a client sends or a server answers with the "gzip" content encoding.
inline std::string Gzip(std::string_view data) { return Compress(data, 31); }

}  // namespace lintrove::test
