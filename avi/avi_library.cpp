// The AVI file library: our RIFF writer for files, our compressors for compressed streams.
#include "avi/avi_library.h"
#include "avi/avi_riff_writer.h"
#include "codecs/compressing_stream.h"
#include "platform/avi_file.h"

namespace mg {
namespace {

class AviLibrary : public IAviLibrary {
 public:
  int32_t OpenFile(const std::string& fileName, std::unique_ptr<IAviFile>* out) override {
    return OpenRiffAviFile(fileName, out);
  }
  int32_t MakeCompressedStream(IAviStream* source, const AviCompressOptions& options,
                               std::unique_ptr<IAviStream>* out) override {
    return MakeCompressingStream(source, options, out);
  }
};

}  // namespace

std::unique_ptr<IAviLibrary> MakeAviLibrary() {
  return std::make_unique<AviLibrary>();
}

}  // namespace mg
