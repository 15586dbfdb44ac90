// Resource identifiers shared by the resource script and the code.
#pragma once

#define IDS_TESSALINE 1
#define IDS_TESSALINE_PPG 2
#define IDS_TESSALINE_PPG_CAPTION 200
#define IDS_NO_PICTURES 201
#define IDS_FONT_NAME 202
#define IDS_SPACE_CAPTION 203
#define IDS_AUTO_COMPRESS 204
#define IDS_NOTE_CAPTION 205
#define IDS_SPACE_FULL 206
#define IDS_NOTHING_SELECTED 207
#define IDS_SPACE_TEXT 208
// Upload progress, summary and result texts.
#define IDS_SPEED_FAST 209
#define IDS_SPEED_SLOW 210
#define IDS_BYTES_DONE 211
#define IDS_TITLE_PERCENT 212
#define IDS_REASON_UNKNOWN 213
#define IDS_COUNT_DONE 214
#define IDS_TITLE_DONE 215
#define IDS_TIME_ZERO 216
#define IDS_BYTES_START 218
#define IDS_COUNT_START 219
#define IDS_SPEED_START 220
#define IDS_TIME_SECONDS 221
#define IDS_TIME_MINUTES 222
#define IDS_TIME_HOURS 223
#define IDS_TIME_DAYS 224
#define IDS_COLUMN_STATUS 225
#define IDS_STATUS_UPLOADED 226
#define IDS_CANCELLED 227
#define IDS_LIST_UPLOADED 228
#define IDS_SUMMARY 229
#define IDS_SUMMARY_REJECTED_NOTE 230
#define IDS_LIST_FAILED 231
#define IDS_CONFIRM_CLOSE 232
#define IDS_COLUMN_NAME 233
#define IDS_COLUMN_REASON 234
#define IDS_REJECTED_PREFIX 235
#define IDS_TREE_LOADING 236
// Reasons of pictures that failed before or without an answer of the server.
#define IDS_REASON_FILE_UNREADABLE 240
#define IDS_REASON_FILE_EMPTY 241
#define IDS_REASON_NOT_PREPARED 242
#define IDS_REASON_NO_ADDRESS 243
#define IDS_REASON_HOST_NOT_FOUND 244
#define IDS_REASON_NO_ANSWER 245
#define IDS_REASON_UNAVAILABLE 246
#define IDS_REASON_SCRIPT_NOT_FOUND 247
#define IDS_REASON_BAD_ANSWER 248
#define IDS_REASON_TEMP_FOLDER 249
#define IDS_REASON_NOT_STARTED 250
// Reasons of pictures the transfer would not send where it was asked to.
#define IDS_REASON_CERT_UNTRUSTED 251
#define IDS_REASON_CERT_WRONG_HOST 252
#define IDS_REASON_CERT_EXPIRED 253
#define IDS_REASON_SECURE_FAILED 254
#define IDS_REASON_INSECURE_REDIRECT 255
#define IDS_REASON_REDIRECT_REFUSED 256
#define IDS_REASON_AUTH_REQUIRED 257
#define IDS_PAGE_NOT_ALLOWED 258
#define IDS_DROP_SEPARATOR 259
#define IDS_DROP_NOT_PICTURES 260
#define IDS_DROP_OTHER_FOLDER 261
#define IDS_DROP_FOLDERS_LEFT 262
#define IDS_ACTION_TOGGLE 263
// Pictures still being prepared: after the space figure, and the progress dialog's file line.
#define IDS_SPACE_PENDING 270
#define IDS_PREPARING_PICTURES 271
// A batch that an earlier page left unfinished, offered again at the control's start.
#define IDS_RESUME_QUESTION 280
#define IDS_MAYBE_STORED 281
#define IDS_LIST_RESUMED 282
#define IDS_REASON_GONE_SINCE 283
#define IDS_REASON_CHANGED_SINCE 284
#define IDS_RESUME_NOTHING_LEFT 285
// Notes of the progress dialog while a picture waits: a retry's countdown, the server's answer.
#define IDS_RETRY_BUSY 290
#define IDS_RETRY_BROKEN 291
#define IDS_WAITING_ANSWER 292

#define IDI_ABOUTDLL 1
#define IDB_TESSALINE 1

#define IDD_ABOUTBOX_TESSALINE 1
#define IDD_PROPPAGE_TESSALINE 200
#define IDD_MAIN_PANEL 201
#define IDD_UPLOAD_PROGRESS 202
#define IDD_UPLOAD_RESULT 205

// Controls of the main panel's template.
#define IDC_SPACE_TEXT 201
#define IDC_UPLOAD_NOW 202
#define IDC_AUTO_COMPRESS 203
#define IDC_SELECT_ALL 204
#define IDC_SELECT_NONE 205
#define IDC_SPACE_CAPTION 215
#define IDC_COMPRESS_LABEL 218
#define IDC_HINT 225

// Controls of the progress dialog's template.
#define IDC_PROGRESS_FILE 206
#define IDC_PROGRESS_BYTES 207
#define IDC_PROGRESS_COUNT 208
#define IDC_PROGRESS_REMAINING 209
#define IDC_PROGRESS_SPEED 210
#define IDC_PROGRESS_BAR 211
#define IDC_PROGRESS_NOTE 212

// Controls of the result dialog's template.
#define IDC_RESULT_MESSAGE 216
#define IDC_RESULT_LIST 223
#define IDC_RESULT_LIST_LABEL 224

// Button faces: normal, pressed, disabled.
#define IDB_UPLOAD_NORMAL 212
#define IDB_UPLOAD_PRESSED 213
#define IDB_UPLOAD_DISABLED 214
#define IDB_SELECT_NONE_NORMAL 215
#define IDB_SELECT_NONE_PRESSED 216
#define IDB_SELECT_NONE_DISABLED 217
#define IDB_SELECT_ALL_NORMAL 218
#define IDB_SELECT_ALL_PRESSED 219
#define IDB_SELECT_ALL_DISABLED 220

#define IDC_SPLITTER 208
