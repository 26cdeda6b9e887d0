#pragma once
// The objectNames of the window's controls: its accessible identity, which tests and users' scripts
// rely on. Every control is created under one of these names, and nothing else names a control.

#include <QString>

namespace kestrel::ctl {

#define KESTREL_CONTROL(id) inline const QString id = QStringLiteral(#id);
// The window, the port panel and the addressed device.
KESTREL_CONTROL(frmSerial)
KESTREL_CONTROL(Form2)
KESTREL_CONTROL(Timer1)
KESTREL_CONTROL(TMRComm)
KESTREL_CONTROL(CmbPort)
KESTREL_CONTROL(Frame2)
KESTREL_CONTROL(BTNOpenCom)
KESTREL_CONTROL(BTNCloseCom)
KESTREL_CONTROL(Label4)
KESTREL_CONTROL(CmbNet)
KESTREL_CONTROL(Pic)
KESTREL_CONTROL(net)
KESTREL_CONTROL(Opros)
KESTREL_CONTROL(Label3)
KESTREL_CONTROL(netdev)
KESTREL_CONTROL(Frame4)
KESTREL_CONTROL(h)
KESTREL_CONTROL(hi)
KESTREL_CONTROL(n)
KESTREL_CONTROL(ne)
KESTREL_CONTROL(ko)
KESTREL_CONTROL(lo)
KESTREL_CONTROL(l)
KESTREL_CONTROL(k)
KESTREL_CONTROL(MsgCom)
KESTREL_CONTROL(Label5)
KESTREL_CONTROL(sn)
KESTREL_CONTROL(ver2)
KESTREL_CONTROL(vv)
KESTREL_CONTROL(vra)
KESTREL_CONTROL(vraa)
KESTREL_CONTROL(Image1)
KESTREL_CONTROL(Image2)
KESTREL_CONTROL(Image3)
KESTREL_CONTROL(Image6)
KESTREL_CONTROL(SSTab1)
KESTREL_CONTROL(tabReader)
KESTREL_CONTROL(tabTag)
KESTREL_CONTROL(tabBridge)
KESTREL_CONTROL(ProgressBar1)
// Tab "Считыватель".
KESTREL_CONTROL(modes)
KESTREL_CONTROL(R_a)
KESTREL_CONTROL(R_f)
KESTREL_CONTROL(R_p485)
KESTREL_CONTROL(R485)
KESTREL_CONTROL(R_p)
KESTREL_CONTROL(Label2)
KESTREL_CONTROL(usredn)
KESTREL_CONTROL(usred)
KESTREL_CONTROL(iinv)
KESTREL_CONTROL(invers)
KESTREL_CONTROL(Set_mode)
KESTREL_CONTROL(Frame7)
KESTREL_CONTROL(lblNumNet)
KESTREL_CONTROL(num_net)
KESTREL_CONTROL(lblNKan)
KESTREL_CONTROL(n_kan)
KESTREL_CONTROL(lblPpow)
KESTREL_CONTROL(ppow)
KESTREL_CONTROL(param)
KESTREL_CONTROL(Frame8)
KESTREL_CONTROL(lblZad2)
KESTREL_CONTROL(Zad2)
KESTREL_CONTROL(Command2)
KESTREL_CONTROL(RD_DP)
KESTREL_CONTROL(Frame9)
KESTREL_CONTROL(lblPlm)
KESTREL_CONTROL(plm)
KESTREL_CONTROL(lblIddm)
KESTREL_CONTROL(iddm)
KESTREL_CONTROL(Command3)
KESTREL_CONTROL(ids_r)
KESTREL_CONTROL(ids_clr)
// Tab "метка".
KESTREL_CONTROL(Frame6)
KESTREL_CONTROL(SerNumMetki)
KESTREL_CONTROL(outID)
KESTREL_CONTROL(ID_Metki)
KESTREL_CONTROL(ModeMetki)
KESTREL_CONTROL(sleep_time)
KESTREL_CONTROL(IntervalMetki)
KESTREL_CONTROL(PowerMetki)
KESTREL_CONTROL(UrPr)
KESTREL_CONTROL(outVer)
KESTREL_CONTROL(ReadParamMetki)
KESTREL_CONTROL(SetModesMetki)
KESTREL_CONTROL(Hex_id)
// Tab "мост".
KESTREL_CONTROL(sn_sl)
KESTREL_CONTROL(Temp_sl)
KESTREL_CONTROL(fr_sl)
KESTREL_CONTROL(ur_sl)
KESTREL_CONTROL(RR_SL_data)
KESTREL_CONTROL(lblCheck_sl)
KESTREL_CONTROL(Check_sl)
// The menu bar above the window.
KESTREL_CONTROL(menuBar)
KESTREL_CONTROL(menuFile)
KESTREL_CONTROL(actionSaveLog)
KESTREL_CONTROL(actionOpenLog)
KESTREL_CONTROL(actionExit)
KESTREL_CONTROL(menuView)
KESTREL_CONTROL(menuHelp)
KESTREL_CONTROL(menuLanguage)
KESTREL_CONTROL(actionLanguage)  // + the language's code: actionLanguageru, actionLanguageen
KESTREL_CONTROL(menuLink)
KESTREL_CONTROL(actionReconnect)
KESTREL_CONTROL(actionNetworkPort)
KESTREL_CONTROL(menuEcho)
KESTREL_CONTROL(actionEcho)  // + the mode's key: actionEchoauto, actionEchoon, actionEchooff
KESTREL_CONTROL(menuDirection)
KESTREL_CONTROL(actionDirection)  // + the line: actionDirectionnone, actionDirectionrts, actionDirectiondtr
KESTREL_CONTROL(actionTrafficLog)
KESTREL_CONTROL(actionTrend)
KESTREL_CONTROL(actionServicePanel)
KESTREL_CONTROL(actionAbout)
// The status bar below the window and its fields.
KESTREL_CONTROL(statusBar)
KESTREL_CONTROL(statusPort)
KESTREL_CONTROL(statusDevice)
KESTREL_CONTROL(statusReply)
KESTREL_CONTROL(statusSuccess)
// The traffic log window and its link statistics.
KESTREL_CONTROL(trafficLog)
KESTREL_CONTROL(logTable)
KESTREL_CONTROL(logAddressFilter)
KESTREL_CONTROL(logOutcomeFilter)
KESTREL_CONTROL(logPause)
KESTREL_CONTROL(logClear)
KESTREL_CONTROL(logCopy)
KESTREL_CONTROL(logSave)
KESTREL_CONTROL(logCount)
KESTREL_CONTROL(logStatistics)
KESTREL_CONTROL(logResetStatistics)
// The service panel: the controls the main window keeps out of view.
KESTREL_CONTROL(servicePanel)
KESTREL_CONTROL(Frame5)
KESTREL_CONTROL(lblUroven)
KESTREL_CONTROL(uroven)
KESTREL_CONTROL(lblTemp)
KESTREL_CONTROL(temp)
KESTREL_CONTROL(lblTek)
KESTREL_CONTROL(tek)
KESTREL_CONTROL(Frame3)
KESTREL_CONTROL(hig)
KESTREL_CONTROL(low)
KESTREL_CONTROL(Frame1)
KESTREL_CONTROL(lblTextReturned)
KESTREL_CONTROL(txtRec)
KESTREL_CONTROL(Set_ident)
KESTREL_CONTROL(InstSN)
KESTREL_CONTROL(Command1)
KESTREL_CONTROL(Command4)
KESTREL_CONTROL(Find_metki)
KESTREL_CONTROL(zapr_data_sl)
KESTREL_CONTROL(sl_zapros)
KESTREL_CONTROL(num_bytes)
KESTREL_CONTROL(CmdBoxText)
KESTREL_CONTROL(outSN)
KESTREL_CONTROL(OutKolBytes)
KESTREL_CONTROL(textOutCmd)
KESTREL_CONTROL(outTime)
KESTREL_CONTROL(outMode)
KESTREL_CONTROL(outPower)
KESTREL_CONTROL(lblKolBajt)
#undef KESTREL_CONTROL

// Cell i (0..9) of the bound-ID table and its caption.
inline QString boundIdCell(int i) {
    return QStringLiteral("m1(%1)").arg(i);
}
inline QString boundIdCaption(int i) {
    return QStringLiteral("lblCell%1").arg(i + 1);
}
// The caption beside a read-out or box of the tag and bridge tabs, and of a hidden diagnostic field.
inline QString caption(const QString& control) {
    return QStringLiteral("lbl") + control;
}
inline QString diagnosticCaption(const QString& control) {
    return QStringLiteral("lbl_") + control;
}

}  // namespace kestrel::ctl
