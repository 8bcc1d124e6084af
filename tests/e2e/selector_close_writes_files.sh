#!/usr/bin/env bash
# A first run with no files: the selector appears; a real click on its close
# button ends the program, which writes kalo.dll and filelist.dll exactly as
# a first run should.
APP_DIR=$1
source "$(dirname "$0")/lib.sh"

start_x
make_app_folder
start_kalotalk
wait_window "Select User Interface"
window_geometry "$WIN"

# The close button sits 75 pixels right of the title's right-hand piece
# (97 wide, at the window's right edge), 5 down, 17 x 17.
click_at $((WX + WW - 97 + 75 + 8)) $((WY + 5 + 8))
wait_exit "$KALO_PID" || fail "kalotalk exited with an error"

expected="$E2E_TMP/expected.dll"
{
    printf '[General]\r\nGreetingWhenStart=1\r\nActiveUI=0\r\nShowSelector=1\r\nAutoSpeak=1\r\n'
    printf 'IgnoreLen=10\r\nShowPrompt=1\r\nPromptDelay=3\r\nDefAction=0\r\nShuffle=0\r\n'
    printf 'Repeat1=0\r\nShowHint=1\r\nRecordClipboard=1\r\nRecordNo=0\r\nEngineIndex=0\r\n\r\n'
    printf '[Char]\r\nChar1Visible=1\r\nBalloonVisible=1\r\nAnimationOn=1\r\nSoundEffectsOn=1\r\n'
    printf 'Vol=65535\r\nPit=50\r\nSpd=150\r\nLeft=874\r\nTop=441\r\nWidth=150\r\nHeight=187\r\n'
    printf 'Char1=James\r\nVoiceType=Normal\r\nTone=-1\r\n\r\n'
    printf '[MainWnd]\r\nSkin=Topaz\r\nAppBar=0\r\nMainLeft=749\r\nMainTop=628\r\nStayOnTop=0\r\n\r\n'
    printf '[Converter]\r\nTabIndex=0\r\nDefTxtPath=%s/txt/\r\nDefWavPath=%s/wav/\r\n' "$APP" "$APP"
    printf 'DefMp3Path=%s/mp3/\r\nRealTime=2048\r\nConvertMode=0\r\nConverterWidth=603\r\n' "$APP"
    printf 'ConverterHeight=400\r\nConverterLeft=210\r\nConverterTop=184\r\nAutoNext=1\r\n'
    printf 'AutoName=0\r\nSubtitles=0\r\n\r\n'
} >"$expected"
expect_file_equals "$APP/kalo.dll" "$expected"

printf '%s/txt/untitled.txt\r\n' "$APP" >"$expected"
expect_file_equals "$APP/filelist.dll" "$expected"
echo "PASS"
