#pragma once
// The one set of GPU objects every transition shares: an OpenGL 3.3 core context with an
// offscreen surface, the three programs (grid warps, particles, cards), an empty vertex array
// for index-generated geometry, the uniform buffers and the card vertex buffer. Drawing goes
// into whatever framebuffer is bound: a panel's window, or an offscreen target in tests and
// benchmarks. Main thread only.

#include "platform/PixelImage.h"
#include "transitions/CardShuffle.h"
#include "transitions/ShaderPlayback.h"
#include "transitions/TransitionPictures.h"

#include <QSurfaceFormat>
#include <memory>
#include <vector>

class QOffscreenSurface;
class QOpenGLContext;
class QOpenGLExtraFunctions;
class QSurface;

namespace fw {

class TransitionGpu {
public:
    // Whether an OpenGL 3.3 context can be created here; decided once per run (the context
    // made for the test is released at once).
    static bool available();
    // The format of the context and of every panel: 3.3 core, alpha, depth, no vsync wait.
    static QSurfaceFormat surfaceFormat();
    // A new record, or nothing when any step fails (no context, a compile or link error);
    // nothing is kept then.
    static std::unique_ptr<TransitionGpu> make();
    ~TransitionGpu();
    TransitionGpu(const TransitionGpu&) = delete;
    TransitionGpu& operator=(const TransitionGpu&) = delete;

    QOpenGLContext* context() const { return context_.get(); }
    // Makes the context current on the surface, or on its own offscreen surface.
    bool makeCurrent(QSurface* surface = nullptr);

    // A texture of the capture's region rounded outward to whole pixels; 0 when there is no
    // picture or the texture cannot be made. The context must be current.
    unsigned makeTexture(const TransitionCapture& capture);
    void deleteTexture(unsigned texture);

    // Starts a frame in the bound framebuffer of this size: viewport, cleared to transparent
    // (and the depth buffer to 1 when `depth`).
    void beginFrame(PixelSize size, bool depth);
    // Starts a frame in a window: the context current on it, its framebuffer bound, then as
    // beginFrame. False when the context cannot be made current there.
    bool beginWindowFrame(QSurface* window, PixelSize size, bool depth);
    // Shows what was drawn into the window.
    void present(QSurface* window);
    // One window of a shader effect, cut to its rectangle.
    void drawEffect(const EffectDraw& draw, unsigned texture);
    // The card shuffle's draw list; texture numbers index `textures`.
    void drawCards(const std::vector<CardDraw>& draws, const std::vector<unsigned>& textures);
    // Waits until everything drawn so far is done (for measurements and read-backs).
    void finish();

    // The block sizes and member offsets the compiled programs report, for checks against the
    // records uploaded each frame. Member names as in the shader source.
    int uniformBlockSize(bool particles) const;
    int uniformOffset(bool particles, const char* member) const;

private:
    TransitionGpu() = default;
    bool build();
    unsigned program(int entryVertex, int entryFragment);
    // The element list of a grid (shared corners) or of particle tiles (four corners each),
    // made on first use and kept.
    unsigned elements(ShaderPipeline pipeline, std::uint32_t columns, std::uint32_t rows);

    std::unique_ptr<QOffscreenSurface> surface_;
    std::unique_ptr<QOpenGLContext> context_;
    QOpenGLExtraFunctions* gl_ = nullptr;
    PixelSize frameSize_;
    unsigned pipeline_ = 0, particles_ = 0, cards_ = 0;
    unsigned emptyVertices_ = 0, cardVertices_ = 0, cardBuffer_ = 0;
    unsigned gridUniforms_ = 0, particleUniforms_ = 0;
    struct ElementList {
        ShaderPipeline pipeline;
        std::uint32_t columns, rows;
        unsigned buffer;
    };
    std::vector<ElementList> elementLists_;
};

// An offscreen framebuffer (colour, and depth when asked) for tests and benchmarks.
class OffscreenTarget {
public:
    OffscreenTarget(TransitionGpu& gpu, PixelSize size);
    ~OffscreenTarget();
    OffscreenTarget(const OffscreenTarget&) = delete;
    OffscreenTarget& operator=(const OffscreenTarget&) = delete;

    bool ok() const { return framebuffer_ != 0; }
    PixelSize size() const { return size_; }
    void bind();
    // The pixels, top row first, premultiplied.
    PixelImage read();

private:
    TransitionGpu& gpu_;
    PixelSize size_;
    unsigned framebuffer_ = 0, colour_ = 0, depth_ = 0;
};

} // namespace fw
