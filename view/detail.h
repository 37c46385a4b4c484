// Internal to the view library: the pages the views show, kept in memory and served to the
// engine through the page scheme, and the budget of live hidden views.
#pragma once

#include <QByteArray>
#include <QUrl>

#include <optional>

namespace view::detail {

/// Stores the bytes as the page of the view with this id, replacing its previous page, and
/// returns the new page's URL. Every call gives a fresh URL, so the engine never takes a new
/// page for a reload of the old one.
QUrl PublishPage(quint64 viewId, QByteArray bytes);

/// Forgets the page of the view (the view is going away).
void WithdrawPage(quint64 viewId);

/// The bytes of the current page that has this URL (any fragment ignored). An old URL of a view
/// that has since published another page, or a URL we never gave out, finds nothing.
std::optional<QByteArray> FindPage(const QUrl &url);

/// Whether the URL is a page URL of our scheme (current or not).
bool IsPageUrl(const QUrl &url);

/// Re-applies the budget of live hidden views to every view (after the budget changed).
void RebalanceLiveViews();

} // namespace view::detail
