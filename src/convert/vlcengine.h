#pragma once

#include <memory>
#include <mutex>

#include "convert/engine.h"

struct libvlc_instance_t;

// libvlc 3 as the program's engine: one instance, made when the first job
// or check needs it, for the checks (on workers); it keeps the engine's
// modules loaded. Each player has an instance of its own, whose log is the
// log of its one item.
class VlcEngine final : public Engine
{
public:
    VlcEngine();
    ~VlcEngine() override;
    VlcEngine(const VlcEngine &) = delete;
    VlcEngine &operator=(const VlcEngine &) = delete;

    std::unique_ptr<Player> createPlayer() override;
    OutputVerdict checkOutput(const QString &file, const OutputExpectation &expected) override;
    qint64 sourceLength(const QString &path) override;
    double frameRate(const QString &path) override;

    // A new instance, quiet on the terminal; null when the engine cannot start.
    static std::shared_ptr<libvlc_instance_t> openInstance();
    // Engine instances alive in this process.
    static int instances();

private:
    std::shared_ptr<libvlc_instance_t> instance();

    std::mutex m_mutex;
    std::shared_ptr<libvlc_instance_t> m_instance;
};
