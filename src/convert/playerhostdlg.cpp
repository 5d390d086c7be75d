#include "convert/playerhostdlg.h"

#include <cerrno>

CPlayerHostDlg::CPlayerHostDlg(PlayerFactory factory) : m_factory(std::move(factory)) {}

CPlayerHostDlg::~CPlayerHostDlg() = default;

void CPlayerHostDlg::Release()
{
    m_player.reset();
}

void CPlayerHostDlg::Create()
{
    m_player = m_factory ? m_factory() : nullptr;
}

void CPlayerHostDlg::addTarget(const QString &uri, const QStringList &options, int mode,
                               int position)
{
    if (!m_player)
        throw EngineError("no player", ENOSYS);
    m_player->addTarget(uri, options, mode, position);
}

void CPlayerHostDlg::stop()
{
    if (m_player)
        m_player->stop();
}

void CPlayerHostDlg::playlistClear()
{
    if (m_player)
        m_player->playlistClear();
}

float CPlayerHostDlg::GetPosition()
{
    return m_player ? m_player->GetPosition() : -1.0f;
}

int CPlayerHostDlg::GetTime()
{
    return m_player ? m_player->GetTime() : -1;
}

bool CPlayerHostDlg::FinishedNormally()
{
    return m_player && m_player->FinishedNormally();
}
