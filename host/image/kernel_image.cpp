// KernelImage::load: read the file, check it, map it, relocate it, bind its
// imports, prepare its code, protect it, list it. Every step throws
// ImageError; whatever was built so far is released on the way out.
#include "kernel_image.h"

#include <fstream>
#include <system_error>

#include "base_relocations.h"
#include "calling_convention.h"
#include "code_preparation.h"
#include "image_requirements.h"
#include "import_binding.h"
#include "loaded_image.h"
#include "loaded_images.h"

namespace host::image {
namespace {

std::vector<std::byte> readFile(const std::filesystem::path& file, const std::string& name) {
    std::ifstream stream(file, std::ios::binary);
    if (!stream) {
        throw ImageError(name + ": cannot open " + file.string());
    }
    stream.seekg(0, std::ios::end);
    const std::streamoff size = stream.tellg();
    if (size < 0 || static_cast<std::uint64_t>(size) > pe::kMaximumImageSize) {
        throw ImageError(name + ": the file is empty, unreadable or larger than " +
                         std::to_string(pe::kMaximumImageSize) + " bytes");
    }
    std::vector<std::byte> bytes(static_cast<std::size_t>(size));
    stream.seekg(0, std::ios::beg);
    stream.read(reinterpret_cast<char*>(bytes.data()), size);
    if (!stream) {
        throw ImageError(name + ": cannot read " + file.string());
    }
    return bytes;
}

std::unique_ptr<SharedUserDataLease> leaseSharedUserData(const std::string& name) {
    try {
        return std::make_unique<SharedUserDataLease>();
    } catch (const std::system_error& error) {
        throw ImageError(name + ": " + error.what());
    }
}

std::unique_ptr<LoadedImage> loadImage(const std::filesystem::path& file) {
    auto image = std::make_unique<LoadedImage>();
    image->name = file.filename().string();
    const std::vector<std::byte> bytes = readFile(file, image->name);
    const ByteWindow window(bytes, image->name, "file");
    image->headers = readPeHeaders(window);
    checkKernelImageRequirements(window, bytes, image->headers);
    image->symbols = FunctionSymbols::read(window, image->headers);

    image->mapping = std::make_unique<ImageMapping>(image->headers.sizeOfImage, image->name);
    image->mapping->copyFrom(bytes, image->headers);
    applyBaseRelocations(image->mapping->bytes(), image->headers, image->name);
    image->boundImports = bindImports(image->mapping->bytes(), image->headers, image->name);
    image->sharedData = leaseSharedUserData(image->name);
    image->sharedDataReads = prepareCode(image->mapping->bytes(), image->headers, image->symbols,
                                         image->name, image->sharedData->page());
    image->mapping->protect(image->headers);
    return image;
}

}  // namespace

std::unique_ptr<KernelImage> KernelImage::load(const std::filesystem::path& file) {
    std::unique_ptr<KernelImage> image(new KernelImage(loadImage(file)));
    registerImage(*image->loaded_);
    return image;
}

KernelImage::KernelImage(std::unique_ptr<LoadedImage> loaded) : loaded_(std::move(loaded)) {}

KernelImage::~KernelImage() {
    unregisterImage(*loaded_);
}

// The entry point is an address inside the mapped code, not a function of
// this program, so it can only be reached through a cast. The image's code
// follows the Windows x64 convention, and so must the type it is cast to.
static_assert(usesWindowsConvention<PDRIVER_INITIALIZE>,
              "DRIVER_INITIALIZE must carry NTAPI (ms_abi) to call an image's entry point");

PDRIVER_INITIALIZE KernelImage::entryPoint() const {
    return reinterpret_cast<PDRIVER_INITIALIZE>(loaded_->mapping->base() +
                                                loaded_->headers.entryPointRva);
}

const std::string& KernelImage::name() const {
    return loaded_->name;
}

std::string KernelImage::symbolize(const void* address) const {
    return loaded_->symbolize(address);
}

const std::vector<std::string>& KernelImage::boundImports() const {
    return loaded_->boundImports;
}

const void* KernelImage::findFunction(std::string_view name) const {
    const std::optional<std::uint32_t> rva = loaded_->symbols.find(name);
    return rva ? loaded_->mapping->base() + *rva : nullptr;
}

const std::byte* KernelImage::base() const {
    return loaded_->mapping->base();
}

std::size_t KernelImage::size() const {
    return loaded_->mapping->size();
}

}  // namespace host::image
