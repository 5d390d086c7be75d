#pragma once

#include <memory>
#include <mutex>

#include "convert/engine.h"

struct libvlc_instance_t;

// libvlc 3 as the program's engine: one instance, made when the first job
// or check needs it, shared by every player. Checks run on workers.
class VlcEngine final : public Engine
{
public:
    VlcEngine();
    ~VlcEngine() override;
    VlcEngine(const VlcEngine &) = delete;
    VlcEngine &operator=(const VlcEngine &) = delete;

    std::unique_ptr<Player> createPlayer() override;
    QString outputFault(const QString &file, const OutputExpectation &expected) override;
    qint64 sourceLength(const QString &path) override;

    // Engine instances alive in this process.
    static int instances();

private:
    std::shared_ptr<libvlc_instance_t> instance();

    std::mutex m_mutex;
    std::shared_ptr<libvlc_instance_t> m_instance;
};
