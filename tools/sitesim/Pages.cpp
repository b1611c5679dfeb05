#include "Pages.h"

#include <QLocale>

namespace sitesim::pages {

namespace {

// The site's common head: title, style sheet link, the rollover script every
// page of that era carried, and a comment from the template engine.
QString head(const QString& title)
{
    return QStringLiteral(
               "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\n"
               "<HTML>\n<HEAD>\n<TITLE>")
        + title
        + QStringLiteral(
            "</TITLE>\n"
            "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=iso-8859-1\">\n"
            "<META HTTP-EQUIV=\"Pragma\" CONTENT=\"no-cache\">\n"
            "<LINK REL=\"stylesheet\" HREF=\"/fflyer/css/ff.css\" TYPE=\"text/css\">\n"
            "<STYLE TYPE=\"text/css\">\n<!--\n.hd { font-weight: bold; color: #FFFFFF }\n-->\n</STYLE>\n"
            "<SCRIPT LANGUAGE=\"JavaScript\" TYPE=\"text/javascript\">\n<!--\n"
            "function MM_swapImage(n, s) { if (document.images && document.images[n]) "
            "document.images[n].src = s; }\n"
            "function openHelp() { window.open('/fflyer/help.html','help','width=400,height=500'); "
            "return false; }\n"
            "//-->\n</SCRIPT>\n</HEAD>\n");
}

QString banner()
{
    return QStringLiteral(
        "<!-- BEGIN banner (tmpl/ff_header.jsp) -->\n"
        "<TABLE WIDTH=\"760\" BORDER=\"0\" CELLPADDING=\"0\" CELLSPACING=\"0\">\n"
        "<TR><TD><IMG SRC=\"/fflyer/images/logo.gif\" WIDTH=\"160\" HEIGHT=\"60\" ALT=\"\" NAME=\"logo\">\n"
        "<TD ALIGN=\"right\"><FONT FACE=\"Arial\" SIZE=\"1\">Frequent Flyer &nbsp;|&nbsp; "
        "<A HREF=\"/fflyer/help.html\" onClick=\"return openHelp()\">Help</A></FONT>\n"
        "</TABLE>\n<!-- END banner -->\n");
}

QString footer()
{
    return QStringLiteral(
        "<HR SIZE=\"1\" NOSHADE>\n"
        "<FONT FACE=\"Arial\" SIZE=\"1\">&copy; Copyright 2005 &middot; Privacy &middot; "
        "Terms &amp; Conditions</FONT>\n"
        "<!-- served by node ff-app-03 -->\n</BODY>\n</HTML>\n");
}

QString jsList(const QStringList& items)
{
    QString out;
    for (qsizetype i = 0; i < items.size(); ++i) {
        if (i)
            out += QLatin1Char(',');
        out += QLatin1Char('"') + items[i] + QLatin1Char('"');
    }
    return out;
}

} // namespace

QString escape(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '&': out += QLatin1String("&amp;"); break;
        case '<': out += QLatin1String("&lt;"); break;
        case '>': out += QLatin1String("&gt;"); break;
        case '"': out += QLatin1String("&quot;"); break;
        default: out += c;
        }
    }
    return out;
}

QString loginForm()
{
    return head(QStringLiteral("Qantas Frequent Flyer - Member Login"))
        + QStringLiteral("<BODY BGCOLOR=\"#FFFFFF\" onLoad=\"document.login.login_ffNumber.focus()\">\n")
        + banner()
        + QStringLiteral(
            "<FORM NAME=\"login\" METHOD=\"GET\" ACTION=\"/fflyer/dyns/dologin\">\n"
            "<INPUT TYPE=\"hidden\" NAME=\"action\" VALUE=\"login\">\n"
            "<INPUT TYPE=\"hidden\" NAME=\"origin\" VALUE=\"homepage\">\n"
            "<TABLE BORDER=\"0\" CELLPADDING=\"2\">\n"
            "<TR><TD COLSPAN=\"2\"><B>Member Login</B>\n"
            "<TR><TD>Membership number<TD><INPUT TYPE=\"text\" NAME=\"login_ffNumber\" SIZE=\"12\">\n"
            "<TR><TD>Surname<TD><INPUT TYPE=\"text\" NAME=\"login_surname\" SIZE=\"20\">\n"
            "<TR><TD>PIN<TD><INPUT TYPE=\"password\" NAME=\"login_pin\" SIZE=\"6\">\n"
            "<TR><TD><TD><INPUT TYPE=\"submit\" VALUE=\"Log in\">\n"
            "</TABLE>\n</FORM>\n"
            "<P>Please log in to view your account, book awards and check your points.</P>\n")
        + footer();
}

QString loginFailed()
{
    return head(QStringLiteral("Qantas Frequent Flyer - Login Error"))
        + QStringLiteral("<BODY BGCOLOR=\"#FFFFFF\">\n") + banner()
        + QStringLiteral(
            "<P><FONT COLOR=\"#CC0000\"><B>Login failed.</B></FONT> The membership number, "
            "surname or PIN you entered is incorrect. Please check your details and try again.</P>\n"
            "<P><A HREF=\"/fflyer/dyns/dologin?action=login\">Return to Member Login</A></P>\n")
        + footer();
}

QString account(const QString& surname, bool cityArrays, const QStringList& names,
                const QStringList& codes)
{
    QString script = QStringLiteral(
        "<SCRIPT LANGUAGE=\"JavaScript\" TYPE=\"text/javascript\">\n<!--\n");
    if (cityArrays) {
        script += QStringLiteral("var departureValues=new Array(") + jsList(names)
            + QStringLiteral(");\n");
        script += QStringLiteral("var departureKeys=new Array(") + jsList(codes)
            + QStringLiteral(");\n");
    }
    script += QStringLiteral(
        "function fillCities(sel) {\n"
        "  for (var i = 0; i < departureKeys.length; i++)\n"
        "    sel.options[i] = new Option(departureValues[i], departureKeys[i]);\n"
        "}\n"
        "//-->\n</SCRIPT>\n");
    return head(QStringLiteral("Qantas Frequent Flyer - Your Account")) + script
        + QStringLiteral("<BODY BGCOLOR=\"#FFFFFF\" onLoad=\"fillCities(document.award.from)\">\n")
        + banner()
        + QStringLiteral("<H2>Welcome back, ") + escape(surname)
        + QStringLiteral(
            "</H2>\n"
            "<TABLE BORDER=\"0\" CELLPADDING=\"3\" WIDTH=\"600\">\n"
            "<TR><TD><B>Points balance</B><TD ALIGN=\"right\">48,250\n"
            "<TR><TD><B>Status</B><TD ALIGN=\"right\">Silver\n"
            "</TABLE>\n"
            "<FORM NAME=\"award\" METHOD=\"GET\" ACTION=\"/fflyer/dyns/auth/AwardBooking\">\n"
            "<P>Book a Classic Award: from <SELECT NAME=\"from\"></SELECT>\n"
            "<INPUT TYPE=\"submit\" VALUE=\"Search\"></P>\n"
            "</FORM>\n"
            "<P><A HREF=\"/fflyer/dyns/logout\">Log out</A></P>\n")
        + footer();
}

QString searchSummary(const QString& from, const QString& to, const QDate& date, int adults)
{
    if (from.isEmpty() || to.isEmpty() || !date.isValid())
        return {};
    return QStringLiteral("<TR><TD><FONT FACE=\"Arial\" SIZE=\"2\"><B>") + escape(from)
        + QStringLiteral(" to ") + escape(to) + QStringLiteral(" &middot; ")
        + QLocale::c().toString(date, QStringLiteral("dddd d MMMM yyyy")) + QStringLiteral(" &middot; ")
        + QString::number(adults) + (adults == 1 ? QStringLiteral(" Adult") : QStringLiteral(" Adults"))
        + QStringLiteral("</B></FONT>\n");
}

QString availability(const QString& frameSource, bool frameset, const QString& summary)
{
    const QString title = QStringLiteral("Qantas Frequent Flyer - Award Availability");
    if (frameset) {
        return head(title)
            + QStringLiteral("<FRAMESET ROWS=\"*,0\" FRAMEBORDER=\"0\" BORDER=\"0\">\n"
                             "<FRAME SRC=\"")
            + frameSource
            + QStringLiteral(
                "\" NAME=\"availability\" SCROLLING=\"auto\">\n"
                "<FRAME SRC=\"about:blank\" NAME=\"keepalive\" NORESIZE>\n"
                "<NOFRAMES><BODY><P>Award Availability needs a browser that shows frames.</P></BODY></NOFRAMES>\n"
                "</FRAMESET>\n</HTML>\n");
    }
    return head(title) + QStringLiteral("<BODY BGCOLOR=\"#FFFFFF\">\n") + banner()
        + QStringLiteral(
            "<TABLE WIDTH=\"760\" BORDER=\"0\">\n"
            "<TR><TD><FONT FACE=\"Arial\" SIZE=\"3\"><B>Award Availability</B></FONT>\n"
            "<TR><TD><FONT FACE=\"Arial\" SIZE=\"2\">Step 2 of 4 &gt; Select flights</FONT>\n")
        + summary
        + QStringLiteral(
            "</TABLE>\n"
            "<IFRAME SRC=\"")
        + frameSource
        + QStringLiteral(
            "\" NAME=\"availability\" WIDTH=\"760\" HEIGHT=\"400\" FRAMEBORDER=\"0\"></IFRAME>\n"
            "<IFRAME SRC=\"about:blank\" NAME=\"promo\" WIDTH=\"1\" HEIGHT=\"1\"></IFRAME>\n")
        + footer();
}

QString flightTable(const QList<QStringList>& rows)
{
    QString page = head(QStringLiteral("Award Availability"))
        + QStringLiteral(
            "<BODY BGCOLOR=\"#FFFFFF\" LEFTMARGIN=\"0\" TOPMARGIN=\"0\">\n"
            "<FONT FACE=\"Arial\" SIZE=\"2\">Select a flight &amp; class below, then press Continue.</FONT>\n"
            "<!-- availability grid -->\n"
            "<TABLE BORDER=\"0\" CELLPADDING=\"2\" CELLSPACING=\"1\" WIDTH=\"100%\">\n"
            "<TR BGCOLOR=\"#CC0000\" CLASS=\"hd\">\n"
            "<TD>Departing\n<TD>Arriving\n<TD>Flight\n<TD>Aircraft\n<TD>Stops\n"
            "<TD>Econ.\n<TD>Bus.\n<TD>First\n");
    bool odd = true;
    for (const QStringList& row : rows) {
        page += odd ? QStringLiteral("<TR BGCOLOR=\"#F0F0F0\">\n") : QStringLiteral("<TR>\n");
        odd = !odd;
        for (const QString& cell : row)
            page += QStringLiteral("<TD>") + escape(cell) + QLatin1Char('\n');
    }
    page += QStringLiteral(
        "</TABLE>\n"
        "<SCRIPT LANGUAGE=\"JavaScript\">\n<!--\nif (parent.frames.length == 0) "
        "document.write('<P>Please use the award booking page.</P>');\n//-->\n</SCRIPT>\n"
        "</BODY>\n</HTML>\n");
    return page;
}

QString redesignedFlightTable()
{
    return head(QStringLiteral("Award Availability"))
        + QStringLiteral(
            "<BODY>\n<TABLE CLASS=\"flights\">\n"
            "<TR><TH>Depart<TH>Arrive<TH>Flight no.<TH>Economy<TH>Premium<TH>Business<TH>First\n"
            "<TR><TD>09:05 SYD<TD>10:35 MEL<TD>QF 401<TD>Yes<TD>No<TD>Yes<TD>No\n"
            "</TABLE>\n</BODY>\n</HTML>\n");
}

QString frameExpired()
{
    return head(QStringLiteral("Award Booking"))
        + QStringLiteral("<BODY BGCOLOR=\"#FFFFFF\">\n<P>This search has expired. Please search again.</P>\n"
                         "</BODY>\n</HTML>\n");
}

QString noAvailability(const QString& summary)
{
    return head(QStringLiteral("Qantas Frequent Flyer - Award Bookings - No available flights"))
        + QStringLiteral("<BODY BGCOLOR=\"#FFFFFF\">\n") + banner()
        + QStringLiteral(
            "<TABLE WIDTH=\"760\" BORDER=\"0\">\n"
            "<TR><TD><FONT FACE=\"Arial\" SIZE=\"3\"><B>Award Availability</B></FONT>\n"
            "<TR><TD><FONT FACE=\"Arial\" SIZE=\"2\">Frequent Flyer - Award Bookings - No available flights</FONT>\n")
        + summary
        + QStringLiteral(
            "</TABLE>\n"
            "<P>There are no Classic Award seats on the date you chose. Try another date or "
            "another class of travel.</P>\n")
        + footer();
}

QString startAgain(const QStringList& problems)
{
    QString comment = QStringLiteral("<!-- AwardBookingServlet rejected the request:\n");
    for (QString p : problems) {
        p.replace(QLatin1String("--"), QLatin1String("- -"));
        comment += QStringLiteral("  ") + p + QLatin1Char('\n');
    }
    comment += QStringLiteral("-->\n");
    return head(QStringLiteral("Qantas Frequent Flyer - Award Booking"))
        + QStringLiteral("<BODY BGCOLOR=\"#FFFFFF\">\n") + comment + banner()
        + QStringLiteral(
            "<P>We are unable to process your request at this time.</P>\n"
            "<TABLE BORDER=\"0\" WIDTH=\"760\">\n"
            "<TR><TD ALIGN=\"right\"><A HREF=\"/fflyer/do/dyns/auth/youraccount/yourAccount\">&lt; Start again</A> "
            "<A HREF=\"/fflyer/help.html\" onClick=\"return openHelp()\">Help?</A> "
            "<A HREF=\"javascript:window.close()\">Close</A>\n"
            "</TABLE>\n")
        + footer();
}

QString productHome()
{
    return plain(QStringLiteral("Zelvane"),
                 QStringLiteral("Zelvane watches award seats for you. <A HREF=\"/support.html\">Support</A> "
                                "&middot; <A HREF=\"/faq.html\">FAQ</A>"));
}

QString support()
{
    return plain(QStringLiteral("Zelvane - Support"),
                 QStringLiteral("Online help for Zelvane.</P>\n<H2><A NAME=\"contact\">Report a problem</A></H2>\n"
                                "<P>Write to support@zelvane.example."));
}

QString faq()
{
    return plain(QStringLiteral("Zelvane - FAQ"),
                 QStringLiteral("Frequently asked questions about Zelvane."));
}

QString plain(const QString& title, const QString& text)
{
    return QStringLiteral("<HTML><HEAD><TITLE>") + title
        + QStringLiteral("</TITLE></HEAD>\n<BODY>\n<H1>") + title + QStringLiteral("</H1>\n<P>")
        + text + QStringLiteral("</P>\n</BODY></HTML>\n");
}

} // namespace sitesim::pages
