' What JScript cannot show of the control: the raw Boolean (-1 for true) and the error
' information's source.   cscript //nologo control_errors.vbs ProgID
Option Explicit
Dim ctl, progId, failures
failures = ""
progId = WScript.Arguments(0)
On Error Resume Next
Set ctl = CreateObject(progId)
If Err.Number <> 0 Then
    failures = failures & " create:" & Hex(Err.Number)
Else
    If CInt(ctl.AutoScroll) <> -1 Then failures = failures & " AutoScroll=" & CInt(ctl.AutoScroll)
    If CInt(ctl.Scaled) <> -1 Then failures = failures & " Scaled=" & CInt(ctl.Scaled)
    If CInt(ctl.Enabled) <> -1 Then failures = failures & " Enabled=" & CInt(ctl.Enabled)
    If CInt(ctl.AutoSize) <> 0 Then failures = failures & " AutoSize=" & CInt(ctl.AutoSize)
    Err.Clear
    ctl.Close
    If Err.Number <> 0 Then failures = failures & " Close:" & Hex(Err.Number)
    Err.Clear
    ctl.SetLogin "127.0.0.1", "anonymous", "", 21
    If Err.Number <> &H8000FFFF Then failures = failures & " number=" & Hex(Err.Number)
    If Err.Source <> progId Then failures = failures & " source=" & Err.Source
    If InStr(1, Err.Description, "closed", vbTextCompare) = 0 Then failures = failures & " description=" & Err.Description
    Err.Clear
End If
If failures = "" Then
    WScript.Echo "PASS"
    WScript.Quit 0
End If
WScript.Echo "FAIL" & failures
WScript.Quit 1
